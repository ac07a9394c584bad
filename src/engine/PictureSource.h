#pragma once
// Opens a picture file by what its bytes are: FF D8 is JPEG, "BM" a bitmap,
// whatever the name says. Only icons and metafiles (.ico, .emf, .wmf), which
// the system decodes, are told by their extension.
#include <memory>
#include <string>

#include "engine/RowSink.h"

namespace picture {

class PictureSource {
public:
    virtual ~PictureSource() = default;
    // The picture's own size.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Announces the size the rows will be scaled to; a source may then
    // deliver fewer pixels, never fewer than that. Call before Read.
    virtual void PrepareFor(int outWidth, int outHeight) = 0;
    // The size of the rows Read delivers.
    virtual int rowsWidth() const = 0;
    virtual int rowsHeight() const = 0;
    virtual void Read(RowSink& sink) = 0;
};

// Raises EPictureError when the file cannot be read, is of no known kind,
// or its header is damaged or over the limits.
std::unique_ptr<PictureSource> OpenPicture(const std::string& path);

} // namespace picture
