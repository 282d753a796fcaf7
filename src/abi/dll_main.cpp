// Windows loader entry: the library has no load-time work of its own; it only
// asks not to be told about every thread the host starts and ends.
#if defined(_WIN32)
#include <windows.h>

// mingw's DLL start-up links a static TLS directory only to run TLS
// callbacks, and the loader refuses DisableThreadLibraryCalls for a module
// with one. The library has no thread-local data: declaring the start-up's
// callback absent keeps the directory out.
extern "C" const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: DisableThreadLibraryCalls(module); break;
    default: break;
  }
  return TRUE;
}
#endif
