// Small subjects and views that record what the framework calls on them.
#pragma once

#include <string>
#include <vector>

#include "KvDialog.h"
#include "KvSubject.h"
#include "KvView.h"

// A subject that records the events it receives.
class RecordingSubject : public KvSubject {
public:
    void getValue(KvAspectSet&, long) override {}
    void handleEvent(KvAspectSet&, KvSubject* from, const KvVerb& verb) override {
        log.push_back(std::string("subject event ") + (verb.getVerb() ? verb.getVerb() : "-"));
        lastSubjectSender = from;
    }
    void handleEvent(KvAspectSet&, KvView* from, const KvVerb& verb) override {
        log.push_back(std::string("view event ") + (verb.getVerb() ? verb.getVerb() : "-"));
        lastViewSender = from;
    }
    using KvSubject::changed;

    std::vector<std::string> log;
    KvSubject* lastSubjectSender = nullptr;
    KvView* lastViewSender = nullptr;
};

// A view with a rectangle of its own that records its updates and events.
class RecordingView : public KvView {
public:
    RecordingView(KvSubject* subject, KvDialog* dialog, short w = 0, short h = 0)
        : KvView(subject, dialog), w_(w), h_(h) {}
    ~RecordingView() override { haveBeenKilled(); }

    void update(long hint, const KvVerb& verb) override {
        updates.push_back(std::to_string(hint) + " " + (verb.getVerb() ? verb.getVerb() : "-"));
        lastVerb = verb;
    }
    void handleEvent(KvAspectSet& set, KvView* from, const KvVerb& verb) override {
        events.push_back(from);
        KvView::handleEvent(set, from, verb);
    }
    void resize(KvDialog*, short x, short y, short w, short h) override {
        x_ = x, y_ = y, w_ = w, h_ = h;
        ++resizes;
    }
    void resize(KvDialog*) override { ++dialogResizes; }
    void show(KvDialog*) override { ++shows; }
    void getPosAndSize(short& x, short& y, short& w, short& h) override { x = x_, y = y_, w = w_, h = h_; }
    void focus() { gotFocus(); }
    void unfocus() { lostFocus(); }

    std::vector<std::string> updates;
    std::vector<KvView*> events;
    KvVerb lastVerb;
    int resizes = 0, dialogResizes = 0, shows = 0;
    short x_ = 0, y_ = 0, w_, h_;
};
