#include "commands.h"
namespace tomeshelf::cli {
int RunServe(int, char**) { return 1; }
}
