#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif
#ifndef _WIN32
#ifdef HAVE_SOMETHING
#include <sys/ioctl.h>
#else
#include <termios.h>
#endif
#endif
