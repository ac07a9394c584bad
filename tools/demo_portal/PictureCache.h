#pragma once
// The folder the demo portal keeps its generated pictures in: each variant
// is drawn once, written under a temporary name and renamed into place, so a
// reader never sees half a file, even with two generators at work.
#include <stop_token>
#include <string>

#include "Scenery.h"

namespace demo {

struct Stopped {};

class PictureCache {
public:
    // root: the folder, created when missing.
    explicit PictureCache(std::string root);

    const std::string& root() const { return root_; }
    // Where a variant or the gallery's small picture of name is kept.
    std::string VariantPath(const std::string& name, Size size) const;
    std::string ThumbPath(const std::string& name) const;
    // "<name>,<w>,<h>.jpg" in the folder, drawn first when missing. A stop
    // request ends the drawing with Stopped and leaves no file.
    std::string Variant(const std::string& name, Size size, std::stop_token stop = {}) const;
    // The gallery's small picture of name.
    std::string Thumb(const std::string& name, std::stop_token stop = {}) const;
    // Draws every variant of every picture that is missing, biggest last,
    // until done or asked to stop.
    void FillAll(std::stop_token stop) const;

private:
    std::string root_;
};

// "<name>,<w>,<h>.jpg": the file name the portal offers a variant under.
std::string VariantFileName(const std::string& name, Size size);

} // namespace demo
