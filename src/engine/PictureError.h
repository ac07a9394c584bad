#pragma once
// The one error a picture operation raises: the message names the file and
// what went wrong with it.
#include <stdexcept>
#include <string>

class EPictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
