// The one exception hierarchy of the program. Every failure the program reports to the user
// is an Exception whose message is the program's own text (UTF-8).
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  ~Exception() override = default;
  const char* what() const noexcept override { return Message.c_str(); }
  // The class name as the user-facing error report and the command-line tool name it.
  virtual const char* ClassName() const noexcept { return "Exception"; }

  std::string Message;
};

// Declares an exception class with its class name; the message is always given by the raiser.
#define EARMARK_EXCEPTION(Name, Base)                                            \
  class Name : public Base {                                                     \
  public:                                                                        \
    using Base::Base;                                                            \
    const char* ClassName() const noexcept override { return #Name; }            \
  };

EARMARK_EXCEPTION(EConvertError, Exception)
EARMARK_EXCEPTION(EListError, Exception)
EARMARK_EXCEPTION(EStringListError, Exception)
EARMARK_EXCEPTION(EStreamError, Exception)
EARMARK_EXCEPTION(EFileStreamError, EStreamError)
EARMARK_EXCEPTION(EFCreateError, EFileStreamError)
EARMARK_EXCEPTION(EFOpenError, EFileStreamError)
EARMARK_EXCEPTION(EReadError, EStreamError)
EARMARK_EXCEPTION(EWriteError, EStreamError)
// Stands in for the platform's access violation where a caller passes a missing argument.
EARMARK_EXCEPTION(EAccessViolation, Exception)
EARMARK_EXCEPTION(EInvalidOperation, Exception)
