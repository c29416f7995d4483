// Fuzzes the read-out formats of VR_Valuators: any bytes as Format, with any value and range, drawn
// through the caption pass where the read-out is formatted and rasterised.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "fuzz_gl.h"
#include <vrtools/valuator.h>

namespace {

constexpr int READOUT_CAP = 40;

VR_Valuators* slider = nullptr;
std::string format;  // Format points into it while the slider is drawn

float Float_At(const std::uint8_t* p)
{
    float v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Context_Once();
    Error_Handler_Set(&fuzz::Quiet_Handler);
    // One slider for the whole run, as a host keeps one: the read-out is only rasterised again when
    // its text changes, which is part of what is fuzzed.
    slider = new VR_Valuators;
    slider->Name = "Gain";
    slider->X = 20;
    slider->Y = 40;
    slider->Width = 200;
    slider->Height = 40;
    slider->Bevel = 4;
    slider->Font_Name = "DejaVu Sans";
    slider->Font_Size = 14;
    slider->Value_Min = 0.0f;
    slider->Value_Max = 10.0f;
    slider->Init(reinterpret_cast<HWND>(0x1));
    return 0;
}

// Bytes 0..3: the value; byte 4: options (bit 0 a new range from bytes 5..12 and Init, bit 1 the
// flat look, bits 2..3 the scale); the rest: the format.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    const float value = Float_At(data);
    const std::uint8_t options = data[4];
    data += 5;
    size -= 5;
    const unsigned int scale[] = {0u, VR_VALUATOR_LOG10, VR_VALUATOR_LOGE, VR_VALUATOR_LOG10 | VR_VALUATOR_LOGE};
    if ((options & 1) && size >= 8) {
        slider->Value_Min = Float_At(data);
        slider->Value_Max = Float_At(data + 4);
        data += 8;
        size -= 8;
        slider->Flags = scale[(options >> 2) & 3];
        slider->Init(nullptr);
    }
    slider->Flags = (slider->Flags & ~VR_FLAT) | ((options & 2) ? VR_FLAT : 0u);
    format.assign(reinterpret_cast<const char*>(data), size);
    format.resize(std::strlen(format.c_str()));
    slider->Format = (options & 0x10) ? nullptr : format.c_str();
    slider->Value = value;
    slider->Adjust();
    slider->Draw();
    fuzz::Check_GL_State("VR_Valuators read-out");
    // The read-out text always fits its 40 characters with the terminator.
    if (std::wmemchr(slider->Value_Text, L'\0', READOUT_CAP) == nullptr)
        std::abort();
    slider->Format = nullptr;
    return 0;
}
