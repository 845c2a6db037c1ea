#include "link/Port.h"

#include <unistd.h>
