// The one storage of the debug logs shared by every program that links this library.
#include "logging.h"

INITIALIZE_EASYLOGGINGPP
