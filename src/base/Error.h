#pragma once
// Every failure of the core travels as an exception derived from lumetta::Error and carries
// the program's own English text, which the interface shows unchanged in its error box.
#include <stdexcept>
#include <string>

namespace lumetta {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Geometry of a transfer or resample is impossible ("Source rectangle is invalid").
class ETransformError : public Error {
    using Error::Error;
};

// Pixel storage or another resource could not be obtained ("Can't allocate the DIB handle").
class EOutOfResources : public Error {
    using Error::Error;
};

// A list was indexed outside its bounds ("List index out of bounds (%d)").
class EListError : public Error {
    using Error::Error;
};

// Text that should hold a number does not ("'%s' is not a valid integer value").
class EConvertError : public Error {
    using Error::Error;
};

// A stream or file ended early or could not be read ("Stream read error").
class EReadError : public Error {
    using Error::Error;
};

// A file could not be opened, created or written.
class EFileError : public Error {
    using Error::Error;
};

// A picture file is damaged, truncated, too large or of an unknown kind.
class EImageError : public Error {
    using Error::Error;
};

} // namespace lumetta
