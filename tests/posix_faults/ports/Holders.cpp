#include <sys/stat.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif
#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <unistd.h>
#endif
