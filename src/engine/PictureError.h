#pragma once
// The errors a picture operation raises: the message names the file and what
// went wrong with it.
#include <stdexcept>
#include <string>

class EPictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The picture itself is fine; its fitted copy could not be written (a full
// disk, an unwritable folder). The caller may still show the original.
class EPictureWriteError : public EPictureError {
public:
    using EPictureError::EPictureError;
};

// The fit was asked to stop before it was done; nothing was written.
class EPictureCancelled : public EPictureError {
public:
    EPictureCancelled() : EPictureError("The fitting was stopped") {}
};
