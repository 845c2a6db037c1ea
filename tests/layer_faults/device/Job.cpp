// A controller-side source that includes Qt: refused.
#include <QString>
#include <vector>

#include "link/Port.h"
#include "protocol/Exchange.h"
