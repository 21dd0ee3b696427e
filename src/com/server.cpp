// The component's entry points: class factories for the roster's classes, registration for all
// users or (DllInstall with "user") for the current user only, and unloading.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on
// The library's message box port has the name that windows.h makes a macro of.
#undef MessageBox

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "com/automation.h"
#include "com/windows_platform.h"
#include "frame/library.h"
#include "roster/roster.h"

// In oleaut32 since Vista, not declared by MinGW-w64's headers.
extern "C" {
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* lib, OLECHAR* path, OLECHAR* help_dir);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                      SYSKIND kind);
}

namespace kvpw::com {
namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_locks{0};

// The version of each class's programmatic identifier ("KvPwForStencils.Pw2.1").
constexpr TextView kProgIdVersion = u"1";
constexpr TextView kThreadingModel = u"Apartment";

Text ModulePath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  return FromBstr(path, length);
}

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassInfo& info) : info_(info) { ++g_module_references; }
  ~ClassFactory() { --g_module_references; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      IDispatch* object = ToDispatch(CreateObject(info_.class_id, ComponentPlatform()));
      const HRESULT hr = object->QueryInterface(riid, out);
      object->Release();
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++g_locks;
    } else {
      --g_locks;
    }
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
  const ClassInfo& info_;
};

// The class keys go under HKEY_CLASSES_ROOT for all users (administrators), or under the
// user's own Software\Classes, which needs no rights and wins over the machine's keys.
struct Hive {
  HKEY root;
  Text prefix;
};
Hive HiveFor(bool per_user) {
  if (per_user) return {HKEY_CURRENT_USER, u"Software\\Classes\\"};
  return {HKEY_CLASSES_ROOT, u""};
}

LONG SetValue(const Hive& hive, const Text& key, const wchar_t* name, const Text& value) {
  HKEY handle = nullptr;
  const Text path = hive.prefix + key;
  LONG rc =
      RegCreateKeyExW(hive.root, Wide(path), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(Wide(value)),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return rc;
}

// Subkeys first: a key with subkeys cannot be deleted.
void DeleteKeyAndSubkeys(HKEY root, const Text& path) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, Wide(path), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
  std::vector<Text> subkeys;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    subkeys.push_back(FromBstr(name, length));
  }
  RegCloseKey(handle);
  for (const Text& subkey : subkeys) DeleteKeyAndSubkeys(root, path + u"\\" + subkey);
  RegDeleteKeyW(root, Wide(path));
}

void DeleteTree(const Hive& hive, const Text& key) {
  DeleteKeyAndSubkeys(hive.root, hive.prefix + key);
}

Text Version() {
  return IntegerText(library::kMajorVersion) + u"." + IntegerText(library::kMinorVersion);
}

HRESULT RegisterClasses(bool per_user) {
  const Hive hive = HiveFor(per_user);
  const Text dll = ModulePath();
  for (const ClassInfo* c : Classes()) {
    const Text clsid_key = u"CLSID\\" + Text(c->class_id);
    const Text versioned = Text(c->prog_id) + u"." + Text(kProgIdVersion);
    const LONG results[] = {
        SetValue(hive, clsid_key, nullptr, Text(c->name)),
        SetValue(hive, clsid_key + u"\\InprocServer32", nullptr, dll),
        SetValue(hive, clsid_key + u"\\InprocServer32", L"ThreadingModel", Text(kThreadingModel)),
        SetValue(hive, clsid_key + u"\\ProgID", nullptr, versioned),
        SetValue(hive, clsid_key + u"\\VersionIndependentProgID", nullptr, Text(c->prog_id)),
        SetValue(hive, clsid_key + u"\\TypeLib", nullptr, Text(library::kLibraryId)),
        SetValue(hive, clsid_key + u"\\Version", nullptr, Version()),
        SetValue(hive, Text(c->prog_id), nullptr, Text(c->name)),
        SetValue(hive, Text(c->prog_id) + u"\\CLSID", nullptr, Text(c->class_id)),
        SetValue(hive, Text(c->prog_id) + u"\\CurVer", nullptr, versioned),
        SetValue(hive, versioned, nullptr, Text(c->name)),
        SetValue(hive, versioned + u"\\CLSID", nullptr, Text(c->class_id)),
    };
    for (LONG rc : results)
      if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  }
  ITypeLib* lib = ModuleTypeLib();
  if (!lib) return TYPE_E_CANTLOADLIBRARY;
  const Text path = dll;
  return per_user ? RegisterTypeLibForUser(lib, const_cast<OLECHAR*>(Wide(path)), nullptr)
                  : RegisterTypeLib(lib, const_cast<OLECHAR*>(Wide(path)), nullptr);
}

HRESULT UnregisterClasses(bool per_user) {
  const Hive hive = HiveFor(per_user);
  for (const ClassInfo* c : Classes()) {
    DeleteTree(hive, u"CLSID\\" + Text(c->class_id));
    DeleteTree(hive, Text(c->prog_id) + u"." + Text(kProgIdVersion));
    DeleteTree(hive, Text(c->prog_id));
  }
  GUID libid{};
  const Text id(library::kLibraryId);
  CLSIDFromString(const_cast<LPOLESTR>(Wide(id)), &libid);
  const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  const HRESULT hr = per_user
                         ? UnRegisterTypeLibForUser(libid, library::kMajorVersion,
                                                    library::kMinorVersion, library::kLocale, kind)
                         : UnRegisterTypeLib(libid, library::kMajorVersion, library::kMinorVersion,
                                             library::kLocale, kind);
  // Unregistering what was never registered is no failure.
  if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_LIBNOTREGISTERED &&
      hr != TYPE_E_CANTLOADLIBRARY)
    return hr;
  return S_OK;
}

bool IsUserCommand(const wchar_t* command) {
  return command && (_wcsicmp(command, L"user") == 0 || _wcsicmp(command, L"/user") == 0);
}

}  // namespace

HMODULE ModuleHandle() {
  return g_module;
}

ITypeLib* ModuleTypeLib() {
  // A function-local static rather than std::call_once, whose statically linked 32-bit form
  // calls through an unresolved weak pthread_once.
  static ITypeLib* const lib = [] {
    ITypeLib* loaded = nullptr;
    const Text path = ModulePath();
    return SUCCEEDED(LoadTypeLibEx(Wide(path), REGKIND_NONE, &loaded)) ? loaded : nullptr;
  }();
  return lib;
}

}  // namespace kvpw::com

using namespace kvpw;
using namespace kvpw::com;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  wchar_t text[40];
  if (!StringFromGUID2(clsid, text, 40)) return CLASS_E_CLASSNOTAVAILABLE;
  const ClassInfo* info = FindClass(FromBstr(text, wcslen(text)));
  if (!info) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory(*info);
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, out);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return g_module_references == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return RegisterClasses(false);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return UnregisterClasses(false);
}

// regsvr32 /n /i:user registers for the current user alone; without "user" it is the same as
// DllRegisterServer.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, const wchar_t* command) {
  const bool per_user = IsUserCommand(command);
  return install ? RegisterClasses(per_user) : UnregisterClasses(per_user);
}
