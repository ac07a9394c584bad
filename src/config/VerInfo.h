#pragma once
// Reads the file version out of an executable's version resource.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/VersionResource.h"

// The file has no version resource.
class ENoVerInfoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The resource cannot be read, or it has no language table.
class EVerInfoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The fixed file information block is missing or too short.
class eNoFixeVerInfo : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TVerInfoRes {
public:
    // Reads the resource of the file; throws one of the classes above.
    explicit TVerInfoRes(const std::string& fileName);
    // Runs the same checks on a resource already looked up (crafted ones in tests).
    TVerInfoRes(const std::string& fileName, const platform::VersionLookup& lookup);

    std::string GetFileVersion() const;
    const std::vector<std::string>& Flags() const { return Flags_; }
    const std::string& FileName() const { return FileName_; }

    static constexpr std::size_t FixedInfoSize = 52;

private:
    void ReadVersionData();
    void CheckLookup(const platform::VersionLookup& lookup);
    void ReadFlags();
    std::uint32_t FixedWord(std::size_t offset) const;

    std::uint32_t InfoSize_ = 0;
    std::vector<std::uint8_t> InfoData_;
    std::vector<std::uint8_t> FixedInfo_;
    std::vector<std::string> Flags_;
    std::string FileName_;
};

// "major.minor.release.build" of the two version words, each part unsigned.
std::string FormatVersion(std::uint32_t high, std::uint32_t low);
bool HasVersionInfo(const std::string& fileName);
// Empty when the file has no version resource (or does not exist); a resource
// without a language table or fixed block throws.
std::string GetFileVersionString(const std::string& fileName);
