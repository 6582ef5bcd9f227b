// KxBrowseBox: a browse box whose column widths are remembered under a key of a group of the class
// library's default configuration, as the widths of the columns 1 to n each followed by ","
// ("120,80," for two columns).
#pragma once

#include <sv.h>

class KxBrowseBox : public BrowseBox {
public:
    // Without group or key the widths are neither read nor written. With a parent the box takes the
    // parent's font (bold for the titles) and background.
    KxBrowseBox(Window* parent, unsigned short style, int mode, const char* group, const char* key);
    // Stores the widths.
    ~KxBrowseBox() override;

    void InsertDataColumn(unsigned short id, const String& title, unsigned short width, unsigned short bits);
    void InsertHandleColumn(unsigned short width, unsigned char rowNumbers);
    void RemoveColumn(unsigned short id);
    void RemoveColumns();

    // Stores the widths.
    void ColumnResized(uint16_t id) override;
    virtual void storeActualColWidths();
    // The stored width of the column (counted from 1); 100 when none is stored.
    virtual int getDefaultColWidth(int column);

private:
    String group_;
    String key_;
    int columnCount_ = 0;
};
