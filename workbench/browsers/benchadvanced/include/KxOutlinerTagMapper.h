// KxOutlinerTagMapper: one entry of an array that chooses a node's icons by the tag of its aspect.
// The first word is the tag (-1 ends the array), the other four are the entry's icons.
#pragma once

class Bitmap;

class KxOutlinerTagMapper {
public:
    KxOutlinerTagMapper() = default;  // the end entry: tag -1, no icons
    KxOutlinerTagMapper(long tag, Bitmap* iconic, Bitmap* negativIconic = nullptr, Bitmap* collapsedIconic = nullptr,
                        Bitmap* negativCollapsedIconic = nullptr);
    KxOutlinerTagMapper(const KxOutlinerTagMapper& other) = default;
    KxOutlinerTagMapper& operator=(const KxOutlinerTagMapper& other) = default;
    ~KxOutlinerTagMapper();  // back to the end entry

    // The first entry from this one on with the tag, before the end entry; else null.
    KxOutlinerTagMapper* getTagMapperEntry(long tag);

    long tag = -1;
    Bitmap* iconic = nullptr;
    Bitmap* negativIconic = nullptr;
    Bitmap* collapsedIconic = nullptr;
    Bitmap* negativCollapsedIconic = nullptr;
};
