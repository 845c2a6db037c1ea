// A link source that reaches up into the controller side: refused.
#include "device/Commands.h"
#include "link/Port.h"
