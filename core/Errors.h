#pragma once
// Every failure of the library is one of these. They carry a message a user can read;
// none of them ends the process.
#include <stdexcept>
#include <string>

namespace pixmira {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be created, written, renamed or read. The message names the path and
// the system's reason.
class EFileError : public Exception {
 public:
  using Exception::Exception;
};

// A text that does not convert: "'%s' is not a valid integer value".
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// libjpeg failure: "JPEG error #%d".
class EJPEG : public Exception {
 public:
  EJPEG(int code, const std::string& message) : Exception(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

class GIFException : public Exception {
 public:
  using Exception::Exception;
};

// A picture that no decoder accepts (damaged PNG or BMP, a size we refuse, ...).
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

// A catalogue entry that cannot be used (empty content rectangle, missing frame picture).
class EFrameError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace pixmira
