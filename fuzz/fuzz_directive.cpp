// libFuzzer entry point over the directive scanner and the vendor pragma handlers.
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::runDirectiveInput(data, size);
    return 0;
}
