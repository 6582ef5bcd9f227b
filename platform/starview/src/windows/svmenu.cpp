#include "svcore.h"

// ---- SvLinkStack ----

void SvLinkStack::Push(const Link& link) { links_.push_back(link); }

Link SvLinkStack::Pop() {
    if (links_.empty()) return Link();
    Link top = links_.back();
    links_.pop_back();
    return top;
}

Link SvLinkStack::Top() const { return links_.empty() ? Link() : links_.back(); }
uint16_t SvLinkStack::Count() const { return static_cast<uint16_t>(links_.size()); }

long SvLinkStack::Call(void* caller) const {
    const std::vector<Link> links = links_;  // a handler may push or pop
    for (auto it = links.rbegin(); it != links.rend(); ++it)
        if (const long result = it->Call(caller)) return result;
    return 0;
}

// ---- Menu ----

Menu::Menu() = default;

Menu::Menu(const ResId& id) {
    const std::shared_ptr<const SvMenuRes> res = id.GetResMgr()->GetMenu(id.GetId());
    Fill(res->items);
}

Menu::~Menu() = default;

void Menu::Fill(const std::vector<SvMenuItemRes>& items) {
    for (const SvMenuItemRes& r : items) {
        if (r.separator) {
            InsertSeparator();
            continue;
        }
        Item item;
        static_cast<SvMenuItemRes&>(item) = r;
        item.popup.clear();
        if (!r.popup.empty()) {
            owned_.push_back(std::make_unique<PopupMenu>());
            static_cast<Menu*>(owned_.back().get())->Fill(r.popup);
            item.sub = owned_.back().get();
        }
        items_.push_back(std::move(item));
    }
}

Menu::Item* Menu::Find(uint16_t id) {
    for (Item& item : items_)
        if (!item.separator && item.id == id) return &item;
    return nullptr;
}

const Menu::Item* Menu::Find(uint16_t id) const { return const_cast<Menu*>(this)->Find(id); }

void Menu::InsertItem(uint16_t id, const String& text, uint16_t pos) {
    Item item;
    item.id = id;
    item.text = text;
    items_.insert(pos >= items_.size() ? items_.end() : items_.begin() + pos, std::move(item));
}

void Menu::InsertSeparator(uint16_t pos) {
    Item item;
    item.separator = true;
    items_.insert(pos >= items_.size() ? items_.end() : items_.begin() + pos, std::move(item));
}

void Menu::RemoveItem(uint16_t pos) {
    if (pos < items_.size()) items_.erase(items_.begin() + pos);
}

void Menu::Clear() { items_.clear(); }
uint16_t Menu::GetItemCount() const { return static_cast<uint16_t>(items_.size()); }

uint16_t Menu::GetItemId(uint16_t pos) const {
    return pos < items_.size() && !items_[pos].separator ? items_[pos].id : 0;
}

uint16_t Menu::GetItemPos(uint16_t id) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].separator && items_[i].id == id) return static_cast<uint16_t>(i);
    return MENU_ITEM_NOTFOUND;
}

bool Menu::IsSeparator(uint16_t pos) const { return pos < items_.size() && items_[pos].separator; }

void Menu::SetItemText(uint16_t id, const String& text) {
    if (Item* item = Find(id)) item->text = text;
}
String Menu::GetItemText(uint16_t id) const {
    const Item* item = Find(id);
    return item != nullptr ? item->text : String();
}
void Menu::SetHelpText(uint16_t id, const String& text) {
    if (Item* item = Find(id)) item->helpText = text;
}
String Menu::GetHelpText(uint16_t id) const {
    const Item* item = Find(id);
    return item != nullptr ? item->helpText : String();
}
void Menu::CheckItem(uint16_t id, bool check) {
    if (Item* item = Find(id)) item->checked = check;
}
bool Menu::IsItemChecked(uint16_t id) const {
    const Item* item = Find(id);
    return item != nullptr && item->checked;
}
void Menu::EnableItem(uint16_t id, bool enable) {
    if (Item* item = Find(id)) item->enabled = enable;
}
bool Menu::IsItemEnabled(uint16_t id) const {
    const Item* item = Find(id);
    return item != nullptr && item->enabled;
}
void Menu::SetPopupMenu(uint16_t id, PopupMenu* menu) {
    if (Item* item = Find(id)) item->sub = menu;
}
PopupMenu* Menu::GetPopupMenu(uint16_t id) const {
    const Item* item = Find(id);
    return item != nullptr ? item->sub : nullptr;
}

uint16_t Menu::GetCurItemId() const { return current_; }

void Menu::PushSelectHdl(const Link& link) { select_.Push(link); }
Link Menu::PopSelectHdl() { return select_.Pop(); }
void Menu::PushHighlightHdl(const Link& link) { highlight_.Push(link); }
Link Menu::PopHighlightHdl() { return highlight_.Pop(); }
void Menu::PushActivateHdl(const Link& link) { activate_.Push(link); }
Link Menu::PopActivateHdl() { return activate_.Pop(); }
void Menu::PushDeactivateHdl(const Link& link) { deactivate_.Push(link); }
Link Menu::PopDeactivateHdl() { return deactivate_.Pop(); }

Menu* Menu::SvFindItem(uint16_t id) {
    if (Find(id) != nullptr) return this;
    for (Item& item : items_)
        if (item.sub != nullptr)
            if (Menu* m = item.sub->SvFindItem(id)) return m;
    return nullptr;
}

void Menu::SvChoose(uint16_t id) {
    const Item* item = Find(id);
    if (item == nullptr || !item->enabled) return;
    Menu* self = this;
    current_ = id;
    activate_.Call(self);
    highlight_.Call(self);
    deactivate_.Call(self);
    select_.Call(self);
}

MenuBar::MenuBar() = default;
MenuBar::MenuBar(const ResId& id) : Menu(id) {}

MenuBar::~MenuBar() {
    if (Application* app = svcore::CurrentApp(); app != nullptr && app->GetAppMenu() == this) app->SetAppMenu(nullptr);
}

PopupMenu::PopupMenu() = default;
PopupMenu::PopupMenu(const ResId& id) : Menu(id) {}

uint16_t PopupMenu::Execute(Window*, const Point&) {
    svcore::CheckGuiThread("PopupMenu::Execute");
    const uint16_t id = svcore::ScriptChoosePopup(*this);
    if (id == 0) return 0;
    Menu* holder = SvFindItem(id);
    holder->SvChoose(id);
    return id;
}

// ---- Accelerator ----

Accelerator::Accelerator() = default;

Accelerator::Accelerator(const ResId& id) {
    const std::shared_ptr<const SvAccelRes> res = id.GetResMgr()->GetAccelerator(id.GetId());
    for (const SvAccelItemRes& item : res->items) InsertItem(item.id, KeyCode(item.keyCode));
}

Accelerator::~Accelerator() {
    if (Application* app = svcore::CurrentApp()) app->RemoveAccel(this);
}

void Accelerator::InsertItem(uint16_t id, const KeyCode& key) { items_.emplace_back(id, key); }

void Accelerator::RemoveItem(uint16_t id) {
    for (auto it = items_.begin(); it != items_.end(); ++it)
        if (it->first == id) {
            items_.erase(it);
            return;
        }
}

void Accelerator::Clear() { items_.clear(); }
uint16_t Accelerator::GetItemCount() const { return static_cast<uint16_t>(items_.size()); }
uint16_t Accelerator::GetItemId(uint16_t pos) const { return pos < items_.size() ? items_[pos].first : 0; }

KeyCode Accelerator::GetKeyCode(uint16_t id) const {
    for (const auto& [itemId, key] : items_)
        if (itemId == id) return key;
    return KeyCode();
}

uint16_t Accelerator::GetItemIdOfKey(const KeyCode& key) const {
    for (const auto& [itemId, itemKey] : items_)
        if (itemKey == key) return itemId;
    return 0;
}

uint16_t Accelerator::GetCurItemId() const { return current_; }
const KeyCode& Accelerator::GetCurKeyCode() const { return currentKey_; }

void Accelerator::PushSelectHdl(const Link& link) { select_.Push(link); }
Link Accelerator::PopSelectHdl() { return select_.Pop(); }
void Accelerator::PushActivateHdl(const Link& link) { activate_.Push(link); }
Link Accelerator::PopActivateHdl() { return activate_.Pop(); }

bool Accelerator::SvPress(const KeyCode& key) {
    const uint16_t id = GetItemIdOfKey(key);
    if (id == 0) return false;
    current_ = id;
    currentKey_ = key;
    Accelerator* self = this;
    activate_.Call(self);
    select_.Call(self);
    return true;
}
