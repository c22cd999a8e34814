#include "gis/gis_module.h"

#include <cstring>
#include <mutex>

#include "reader/native_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>

#include <unistd.h>

#include <cstdlib>
#endif

#include "version.h"

#ifndef QUILLON_GIS_FROM_BIN  // the installed module from the programs' folder
#define QUILLON_GIS_FROM_BIN "../lib/quillon"
#endif
#ifndef QUILLON_GIS_FROM_PYTHON  // and from the Python package's
#define QUILLON_GIS_FROM_PYTHON "../../../../lib/quillon"
#endif

namespace quillon {

namespace {

// The module's entry: a C function, so that its name is the same for every compiler.
using EntryFunction = const GisFunctions* (*)();
constexpr char kEntryName[] = "quillon_gis_functions";
// Raised whenever GisFunctions or an interface it hands out changes.
constexpr int kTableRevision = 1;

[[maybe_unused]] bool Exists(const std::string& path) {
#ifdef _WIN32
  std::error_code ignored;
  return std::filesystem::exists(native::PathOf(path), ignored);
#else
  return access(path.c_str(), F_OK) == 0;
#endif
}

#ifdef _WIN32
constexpr char kModuleName[] = "quillon-gis.dll";

// The folder of the program or library this code is linked into.
[[maybe_unused]] std::string OwnFolder(bool& program) {
  program = true;  // the module is looked for beside either
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&Exists), &self))
    return {};
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  return native::Utf8Of(std::filesystem::path(path).parent_path());
}

[[maybe_unused]] EntryFunction OpenModule(const std::string& path, std::string& reason) {
  HMODULE module = LoadLibraryW(native::PathOf(path).c_str());
  if (!module) {
    reason = "Windows error " + std::to_string(GetLastError());
    return nullptr;
  }
  auto entry = reinterpret_cast<EntryFunction>(reinterpret_cast<void*>(GetProcAddress(module, kEntryName)));
  if (!entry) reason = std::string("it has no ") + kEntryName;
  return entry;  // never unloaded: its writers and projections live as long as their owners
}
#else
constexpr char kModuleName[] = "libquillon-gis.so";

// The folder of the program or library this code is linked into, links resolved;
// `program` tells which.
[[maybe_unused]] std::string OwnFolder(bool& program) {
  Dl_info info;
  link_map* object = nullptr;
  if (!dladdr1(reinterpret_cast<void*>(&Exists), &info, reinterpret_cast<void**>(&object), RTLD_DL_LINKMAP) ||
      !object)
    return {};
  // The program itself has no name in its link map.
  program = !object->l_name || !*object->l_name;
  const char* file = program ? "/proc/self/exe" : object->l_name;
  char* resolved = realpath(file, nullptr);
  if (!resolved) return {};
  std::string path = resolved;
  std::free(resolved);
  return path.substr(0, path.rfind('/'));
}

[[maybe_unused]] EntryFunction OpenModule(const std::string& path, std::string& reason) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    reason = why ? why : "unknown";
    return nullptr;
  }
  auto entry = reinterpret_cast<EntryFunction>(dlsym(module, kEntryName));
  if (!entry) reason = std::string("it has no ") + kEntryName;
  return entry;  // never unloaded: its writers and projections live as long as their owners
}
#endif

// Where the module is: the build tree's for a program or package of the build tree,
// else the installed one, from the programs' folder or from the Python package's
// (beside the program on Windows).
[[maybe_unused]] std::string ModulePath() {
  bool program = true;
  const std::string folder = OwnFolder(program);
#if defined(QUILLON_GIS_BUILD_DIR) && !defined(_WIN32)
  // Compared as the folder is, links resolved.
  if (char* resolved = realpath(QUILLON_GIS_BUILD_DIR, nullptr)) {
    const std::string build = resolved;
    std::free(resolved);
    if (!folder.empty() && (folder == build || folder.rfind(build + "/", 0) == 0)) return build + "/" + kModuleName;
  }
#endif
  std::string path = folder.empty() ? std::string(".") : folder;
#ifndef _WIN32
  path += '/';
  path += program ? QUILLON_GIS_FROM_BIN : QUILLON_GIS_FROM_PYTHON;
#endif
  path += '/';
  path += kModuleName;
  return native::Utf8Of(native::PathOf(path).lexically_normal());
}

struct Loaded {
  const GisFunctions* Table = nullptr;
  std::string Name;    // the module's path, or its name when it was not found
  std::string Reason;  // the system's
};

Loaded Load() {
  Loaded result;
#ifdef QUILLON_WITHOUT_GIS
  result.Name = kModuleName;
  result.Reason = "this build of the program has none";
#else
  const std::string path = ModulePath();
  std::string reason;
  EntryFunction entry = nullptr;
  const bool found = Exists(path);
  if (!found) {
    reason = "no such file in ";
    reason += path.substr(0, path.find_last_of("/\\"));
  } else {
    entry = OpenModule(path, reason);
  }
  if (entry) {
    result.Table = entry();
    if (!result.Table || std::strcmp(result.Table->Build, GisBuild()) != 0) {
      reason = "it is of another build (" + std::string(result.Table ? result.Table->Build : "none") +
               ") than the program (" + GisBuild() + ")";
      result.Table = nullptr;
    }
  }
  if (!result.Table) {
    result.Name = found ? path : kModuleName;
    result.Reason = reason;
  }
#endif
  return result;
}

const Loaded& Module() {
  static const Loaded module = Load();
  return module;
}

}  // namespace

const char* GisBuild() {
  static const std::string build = std::string(kVersion) + " table " + std::to_string(kTableRevision) +
#if defined(__VERSION__)
                                   " " __VERSION__ +
#endif
                                   "";
  return build.c_str();
}

const GisFunctions* Gis() { return Module().Table; }

std::string GisUnavailable() {
  if (Gis()) return {};
  std::string why = "The GIS module ";
  why += Module().Name;
  why += " cannot be loaded: ";
  why += Module().Reason;
  why += '.';
  return why;
}

std::string GisNeeded(const std::string& needs) {
#ifdef QUILLON_WITHOUT_GIS
  (void)needs;
  return {};  // such a build says so where each of them is asked for
#else
  if (Gis()) return {};
  std::string message = needs;
  message += " needs the GIS module ";
  message += Module().Name;
  message += ", which cannot be loaded: ";
  message += Module().Reason;
  message += '.';
  return message;
#endif
}

}  // namespace quillon
