// Menus (items by id with text, help text, check mark and enabled state; separators; sub-menus),
// the menu bar, popup menus and accelerators. Their handlers are stacks: the handler pushed last is
// called first, and the first that answers non-zero ends the call.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "svevent.h"
#include "svlink.h"
#include "svres.h"
#include "svstring.h"

class PopupMenu;
class Window;

constexpr uint16_t MENU_APPEND = 0xFFFF;
constexpr uint16_t MENU_ITEM_NOTFOUND = 0xFFFF;

// A stack of handlers.
class SvLinkStack {
public:
    void Push(const Link& link);
    // The top handler, taken off; an empty link when there is none.
    Link Pop();
    // The top handler; an empty link when there is none.
    Link Top() const;
    uint16_t Count() const;
    // Calls the handlers from the top until one answers non-zero; answers that value, else 0.
    long Call(void* caller) const;

private:
    std::vector<Link> links_;
};

class Menu : public Resource {
public:
    Menu();
    // A menu resource: its items, separators and sub-menus (owned by the menu).
    explicit Menu(const ResId& id);
    virtual ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    void InsertItem(uint16_t id, const String& text, uint16_t pos = MENU_APPEND);
    void InsertSeparator(uint16_t pos = MENU_APPEND);
    void RemoveItem(uint16_t pos);
    void Clear();
    uint16_t GetItemCount() const;              // separators included
    uint16_t GetItemId(uint16_t pos) const;     // 0 for a separator or past the end
    uint16_t GetItemPos(uint16_t id) const;     // MENU_ITEM_NOTFOUND when absent
    bool IsSeparator(uint16_t pos) const;

    void SetItemText(uint16_t id, const String& text);
    String GetItemText(uint16_t id) const;
    void SetHelpText(uint16_t id, const String& text);
    String GetHelpText(uint16_t id) const;
    void CheckItem(uint16_t id, bool check = true);
    bool IsItemChecked(uint16_t id) const;
    void EnableItem(uint16_t id, bool enable = true);
    bool IsItemEnabled(uint16_t id) const;
    // A sub-menu on the item (not owned unless it came from the resource).
    void SetPopupMenu(uint16_t id, PopupMenu* menu);
    PopupMenu* GetPopupMenu(uint16_t id) const;

    // The item being activated, highlighted or selected.
    uint16_t GetCurItemId() const;

    void PushSelectHdl(const Link& link);
    Link PopSelectHdl();
    void PushHighlightHdl(const Link& link);
    Link PopHighlightHdl();
    void PushActivateHdl(const Link& link);
    Link PopActivateHdl();
    void PushDeactivateHdl(const Link& link);
    Link PopDeactivateHdl();

    // The user chose the item: activate, highlight, deactivate, then select handlers, each called
    // with the menu. A disabled item does nothing.
    void SvChoose(uint16_t id);
    // The menu holding the item: this one or one of its sub-menus; null when none does.
    Menu* SvFindItem(uint16_t id);

private:
    // The fields of a resource item (its sub-menu items left empty), and the sub-menu.
    struct Item : SvMenuItemRes {
        PopupMenu* sub = nullptr;
    };
    Item* Find(uint16_t id);
    const Item* Find(uint16_t id) const;
    void Fill(const std::vector<SvMenuItemRes>& items);

    std::vector<Item> items_;
    std::vector<std::unique_ptr<PopupMenu>> owned_;
    uint16_t current_ = 0;
    SvLinkStack select_, highlight_, activate_, deactivate_;
};

class MenuBar : public Menu {
public:
    MenuBar();
    explicit MenuBar(const ResId& id);
    // No longer the application's menu bar.
    ~MenuBar() override;
};

class PopupMenu : public Menu {
public:
    PopupMenu();
    explicit PopupMenu(const ResId& id);
    // Opens the menu at the point of the window and answers the item the script chooses (after
    // its handlers ran), 0 for none.
    uint16_t Execute(Window* window, const Point& pos);
};

// Key codes (with modifiers) to item ids, installed on the application. A key with an item calls
// the activate, then the select handlers with the accelerator.
class Accelerator : public Resource {
public:
    Accelerator();
    explicit Accelerator(const ResId& id);
    virtual ~Accelerator();

    void InsertItem(uint16_t id, const KeyCode& key);
    void RemoveItem(uint16_t id);
    void Clear();
    uint16_t GetItemCount() const;
    uint16_t GetItemId(uint16_t pos) const;
    KeyCode GetKeyCode(uint16_t id) const;
    // The id of a key; 0 when the accelerator has none.
    uint16_t GetItemIdOfKey(const KeyCode& key) const;

    uint16_t GetCurItemId() const;
    const KeyCode& GetCurKeyCode() const;

    void PushSelectHdl(const Link& link);
    Link PopSelectHdl();
    void PushActivateHdl(const Link& link);
    Link PopActivateHdl();

    // The key was pressed: false when the accelerator has no item for it.
    bool SvPress(const KeyCode& key);

private:
    std::vector<std::pair<uint16_t, KeyCode>> items_;
    uint16_t current_ = 0;
    KeyCode currentKey_;
    SvLinkStack select_, activate_;
};
