#include <fcntl.h>
