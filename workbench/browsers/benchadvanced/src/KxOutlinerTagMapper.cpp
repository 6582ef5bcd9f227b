// Icons by aspect tag for the object and navigation views.
#include "KxOutlinerTagMapper.h"

KxOutlinerTagMapper::KxOutlinerTagMapper(long t, Bitmap* i, Bitmap* n, Bitmap* c, Bitmap* nc)
    : tag(t), iconic(i), negativIconic(n), collapsedIconic(c), negativCollapsedIconic(nc) {}

KxOutlinerTagMapper::~KxOutlinerTagMapper() {
    tag = -1;
    iconic = negativIconic = collapsedIconic = negativCollapsedIconic = nullptr;
}

KxOutlinerTagMapper* KxOutlinerTagMapper::getTagMapperEntry(long wanted) {
    for (KxOutlinerTagMapper* entry = this; entry->tag != -1; ++entry)
        if (entry->tag == wanted) return entry;
    return nullptr;
}
