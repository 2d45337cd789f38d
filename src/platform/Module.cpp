#include "platform/Module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <vector>

#if defined(_WIN32)

bool TModule::Load(const std::string& path) {
  Handle_ = LoadLibraryA(path.c_str());
  if (Handle_ == nullptr) Error_ = path + ": error " + std::to_string(GetLastError());
  return Handle_ != nullptr;
}

void* TModule::Symbol(const char* name) const {
  return Handle_ != nullptr ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Handle_), name)) : nullptr;
}

std::string ExecutableFolder() {
  std::vector<char> path(32768);
  const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  std::string result(path.data(), length);
  const std::size_t slash = result.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : result.substr(0, slash);
}

#else

bool TModule::Load(const std::string& path) {
  // Local symbols: the module keeps its own copies of the program's code it was linked with.
  Handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (Handle_ == nullptr) {
    const char* reason = dlerror();
    Error_ = reason != nullptr ? reason : path;
  }
  return Handle_ != nullptr;
}

void* TModule::Symbol(const char* name) const { return Handle_ != nullptr ? dlsym(Handle_, name) : nullptr; }

std::string ExecutableFolder() {
  std::vector<char> path(4096);
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
  std::string result(path.data(), static_cast<std::size_t>(length));
  const std::size_t slash = result.rfind('/');
  return slash == std::string::npos ? std::string() : result.substr(0, slash);
}

#endif
