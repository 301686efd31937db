// The editor interface. The effect only calls it; it owns the editor object
// and deletes it in its destructor. No effect of this system has one.
#pragma once

#include "host/aeffect.h"
#include "host/vst_records.h"

class AEffEditor {
public:
    virtual ~AEffEditor() = default;
    virtual bool getRect(ERect** rect) = 0;  // fills *rect
    virtual bool open(void* parentWindow) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;
    virtual bool onKeyDown(VstKeyCode& keyCode) = 0;
    virtual bool onKeyUp(VstKeyCode& keyCode) = 0;
    virtual bool setKnobMode(VstInt32 mode) = 0;
    virtual void setParameter(VstInt32 index, float value) = 0;
};
