// The grid units' shared helpers that need no window.
#include "PlatformEh.h"

void TMemoryStreamEh::Realloc(std::int64_t newCapacity) {
    if (newCapacity > 0 && newCapacity != Size()) newCapacity = (newCapacity + kDelta - 1) / kDelta * kDelta;
    if (newCapacity != Capacity()) ReallocMemory(newCapacity);
}

int CompareBookmarksOf(TDataSet* dataSet, const TBookmark& a, const TBookmark& b) {
    return dataSet ? dataSet->CompareBookmarks(a, b) : (a < b ? -1 : (a == b ? 0 : 1));
}

TDataSet* MasterDataSetOf(TDataSet* dataSet) {
    if (!dataSet) return nullptr;
    try {
        return dataSet->MasterDataSet();
    } catch (const Exception&) {
        return nullptr;
    }
}
