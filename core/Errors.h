#pragma once
// Every failure of the library is one of these. They carry a message a user can read;
// none of them ends the process.
#include <stdexcept>
#include <string>
#include <utility>

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
  // path: the file concerned; error: the errno of the failure, or one of the codes below.
  EFileError(const std::string& message, std::string path, int error)
      : Exception(message), path_(std::move(path)), error_(error) {}
  const std::string& Path() const { return path_; }
  int Error() const { return error_; }

  // Beyond errno: what we refuse to read as a picture.
  static constexpr int kNotRegularFile = 10001;  // a folder, device, pipe or socket
  static constexpr int kTooLarge = 10002;        // larger than any picture we accept

 private:
  std::string path_;
  int error_ = 0;
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
  // What the writer refused, for the callers to put into words.
  enum class TProblem { Other, NoFrames };
  explicit GIFException(const std::string& message, TProblem problem = TProblem::Other)
      : Exception(message), problem_(problem) {}
  TProblem Problem() const { return problem_; }

 private:
  TProblem problem_;
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
