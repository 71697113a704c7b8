// The byte-vector helper of safearray.h over the system's SAFEARRAY. The
// system's arrays own memory from their own allocator, so the bytes are copied
// into a fresh vector and the caller's block is released once that succeeded.
#include <cstdlib>
#include <cstring>

#include "com/safearray.h"

namespace vellum {

SAFEARRAY* SafeArrayAdoptBytes(void* data, ULONG size) {
    if (data == nullptr || size == 0 || size > kMaxSafeArrayBytes) return nullptr;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, size);
    if (array == nullptr) return nullptr;
    void* target = nullptr;
    if (FAILED(SafeArrayAccessData(array, &target))) {
        SafeArrayDestroy(array);
        return nullptr;
    }
    std::memcpy(target, data, size);
    SafeArrayUnaccessData(array);
    std::free(data);
    return array;
}

}  // namespace vellum
