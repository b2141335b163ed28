#include "targets/FuzzMain.h"
PWFUZZ_TARGET(pwfuzz::RunPoInput)
