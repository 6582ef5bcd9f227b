// KvVerb: a command that a subject offers and that travels with every update and event. The three
// texts are stored without copying and must outlive the verb. A verb without text matches every
// verb and every string.
#pragma once

class KvVerb {
public:
    KvVerb();
    KvVerb(const char* verb, const char* title, const char* help, int applyable);
    KvVerb(const KvVerb& other);
    KvVerb& operator=(const KvVerb& other);
    // Sets the verb text, drops title and help, makes the verb applyable.
    KvVerb& operator=(const char* verb);

    bool operator==(const KvVerb& other) const;
    bool operator==(const char* verb) const;

    operator const char*() const { return verb_; }
    const char* getVerb() const { return verb_; }
    const char* getTitle() const;  // the verb text when there is no title
    const char* getHelp() const { return help_; }
    void setVerb(const char* verb) { verb_ = verb; }
    void setTitle(const char* title) { title_ = title; }
    void setHelp(const char* help) { help_ = help; }
    int isApplyable() const { return applyable_; }
    void setApplyable(int applyable) { applyable_ = applyable & 1; }

private:
    const char* verb_;
    const char* title_;
    const char* help_;
    unsigned applyable_ : 1;
};
