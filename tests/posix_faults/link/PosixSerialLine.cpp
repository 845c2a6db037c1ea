#include <termios.h>
#include <unistd.h>
