#include <string>
#ifdef _WIN32
#include <termios.h>
#endif
