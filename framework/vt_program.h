// A program (a preset, in the host's terms): one plain value per parameter
// and a name. Values are written by setParameter on a host thread and read
// by processing on the audio thread without a lock, so each value is a
// single float accessed through relaxed atomics.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "framework/param_info.h"

class VtProgram {
public:
    virtual ~VtProgram() = default;
    virtual void SetValue(std::int32_t index, float value) = 0;  // plain value
    virtual float GetValue(std::int32_t index) = 0;              // plain value
    // Address of the stored value; null where a program keeps none.
    virtual float* GetValuePointer(std::int32_t /*index*/) { return nullptr; }
    virtual void SetName(const char* name) = 0;
    // The stored name itself; valid as long as the program lives.
    virtual const char* GetName() = 0;
    // Reserved slots: nothing calls them.
    virtual std::int32_t ReservedQuery1() { return 0; }
    virtual std::int32_t ReservedQuery2() { return 0; }
    virtual void ReservedOperation(std::int32_t, std::int32_t) {}

protected:
    VtProgram() = default;
    VtProgram(const VtProgram&) = default;
    VtProgram& operator=(const VtProgram&) = default;
};

class VtProgramBasic final : public VtProgram {
public:
    static constexpr std::size_t kNameSize = 32;  // 31 characters and the NUL

    VtProgramBasic() = default;

    // An index outside the parameter table is ignored (reads give 0.0):
    // the host's index arrives unchecked.
    void SetValue(std::int32_t index, float value) override {
        if (Valid(index))
            std::atomic_ref<float>(values[index]).store(value, std::memory_order_relaxed);
    }
    float GetValue(std::int32_t index) override {
        return Valid(index) ? std::atomic_ref<float>(values[index]).load(std::memory_order_relaxed)
                            : 0.0f;
    }
    float* GetValuePointer(std::int32_t index) override;
    void SetName(const char* name) override;  // cut to 31 characters
    const char* GetName() override { return programName; }

private:
    static bool Valid(std::int32_t index) { return index >= 0 && index < kNumParams; }

    float values[kNumParams] = {};
    char programName[kNameSize] = {};
};
