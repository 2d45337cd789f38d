// A shared module loaded at run time, so that a program pays for a large library only in the
// runs that use it. A loaded module stays until the process ends: libraries such as the GUI
// toolkit the PDF module links are not made to be unloaded.
#pragma once

#include <string>

class TModule {
public:
  TModule() = default;
  TModule(const TModule&) = delete;
  TModule& operator=(const TModule&) = delete;

  // Loads the module at path; false, with the system's reason in Error(), when it cannot.
  bool Load(const std::string& path);
  // The address of the named function of the loaded module, or none.
  void* Symbol(const char* name) const;
  const std::string& Error() const { return Error_; }

private:
  void* Handle_ = nullptr;
  std::string Error_;
};

// The folder of the running program's executable (without a trailing separator), or the
// empty text when the system does not say.
std::string ExecutableFolder();
