#include <windows.h>

#include "svapp.h"

void Sound::Beep(SoundType type) {
    switch (type) {
        case SOUND_INFO: MessageBeep(MB_ICONASTERISK); break;
        case SOUND_WARNING: MessageBeep(MB_ICONEXCLAMATION); break;
        case SOUND_ERROR: MessageBeep(MB_ICONHAND); break;
        case SOUND_QUERY: MessageBeep(MB_ICONQUESTION); break;
        default: MessageBeep(MB_OK); break;
    }
}
