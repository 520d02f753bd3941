// libFuzzer entry point over the command decoder: arguments and an option file.
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::runDecoderInput(data, size);
    return 0;
}
