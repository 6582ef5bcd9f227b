#include "KvInteractor.h"

KvInteractor::~KvInteractor() = default;
long KvInteractor::MouseMove(KvView*, Window*, const MouseEvent&) { return 0; }
long KvInteractor::MouseButtonDown(KvView*, Window*, const MouseEvent&) { return 0; }
long KvInteractor::MouseButtonUp(KvView*, Window*, const MouseEvent&) { return 0; }
long KvInteractor::DoubleClick(KvView*, Window*) { return 0; }
long KvInteractor::KeyInput(KvView*, Window*, const KeyEvent&) { return 0; }
long KvInteractor::RequestHelp(KvView*, Window*, const HelpEvent&) { return 0; }
unsigned char KvInteractor::Drop(KvView*, Window*, const DropEvent&) { return 0; }
unsigned char KvInteractor::QueryDrop(KvView*, Window*, const DropEvent&) { return 0; }
