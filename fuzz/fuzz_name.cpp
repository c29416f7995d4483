// Fuzzes the names: the narrow Name_Set with arbitrary bytes (conversions included), Set_Name and
// the wide Name_Set with arbitrary formats, and the guard report that quotes the name.
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "fuzz_args.h"
#include "fuzz_gl.h"
#include <vrtools/label.h>

namespace {

constexpr std::size_t NAME_CAPACITY = 1024;  // characters, terminator included

// Outcome of any setter: 1 with a terminated name under the limit (or none for an empty result),
// 0 with no name; `named` follows success.
void Check_Outcome(const VR_Tools& tool, int result)
{
    if (result != 0 && result != 1)
        std::abort();
    if (tool.W_Name && (tool.W_Name[0] == L'\0' || std::wcslen(tool.W_Name) >= NAME_CAPACITY))
        std::abort();
    if (result == 0 && tool.W_Name)
        std::abort();
    if (result == 1 && !(tool.Status & VR_STATUS_NAMED))
        std::abort();
}

// What the narrow Name_Set must store: the UTF-8 text, "%%" read as one '%' when it holds no other
// conversion, taken literally otherwise.
std::wstring Expected_Name(const std::string& bytes)
{
    const std::wstring wide = Char_2_Wchar(bytes.c_str());
    std::wstring collapsed;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'%') {
            if (i + 1 >= wide.size() || wide[i + 1] != L'%')
                return wide;
            ++i;
        }
        collapsed.push_back(wide[i]);
    }
    return collapsed;
}

void Narrow_Name(VR_Labels& label, const std::string& bytes)
{
    const std::wstring expected = Expected_Name(bytes);
    const int result = label.Name_Set(bytes.c_str());
    Check_Outcome(label, result);
    if (expected.size() >= NAME_CAPACITY) {
        if (result != 0)
            std::abort();
    } else if (result != 1 || expected != (label.W_Name ? label.W_Name : L"")) {
        std::abort();
    }
    // Init converts Name the same way; with no size it builds nothing.
    label.Name = bytes.c_str();
    label.Width = 0;
    label.Init(reinterpret_cast<HWND>(0x1));
    if (expected.size() < NAME_CAPACITY && expected != (label.W_Name ? label.W_Name : L""))
        std::abort();
    label.Name = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Context_Once();  // the destructor deletes GL objects
    Error_Handler_Set(&fuzz::Quiet_Handler);
    fuzz::Zero_Block();
    return 0;
}

// First byte: which setter (low 2 bits) and whether the object was initialised first (bit 2).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    VR_Labels label;
    if (mode & 4)
        label.Init(nullptr);  // no size: only marks it initialised
    switch (mode & 3) {
    case 0: Narrow_Name(label, fuzz::Narrow_From_Bytes(data, size)); break;
    case 1: {
        std::string format = fuzz::Narrow_From_Bytes(data, size);
        fuzz::Bound_Conversions(format);
        const int result =
            fuzz::Call_Universal([&](const char* f, auto... a) { return label.Set_Name(f, a...); }, format.c_str());
        Check_Outcome(label, result);
        break;
    }
    case 2: {
        std::wstring format = fuzz::Wide_From_Bytes(data, size);
        fuzz::Bound_Conversions(format);
        const int result =
            fuzz::Call_Universal([&](const wchar_t* f, auto... a) { return label.Name_Set(f, a...); }, format.c_str());
        Check_Outcome(label, result);
        break;
    }
    default: {
        // A name set twice: the first one must be released, the second one wins.
        const std::string bytes = fuzz::Narrow_From_Bytes(data, size);
        label.Name_Set(bytes.c_str());
        label.Set_Name(nullptr);
        if (label.W_Name || ((mode & 4) && (label.Status & VR_STATUS_NAMED)))
            std::abort();
        label.Name_Set(bytes.c_str());
        break;
    }
    }
    // The guard quotes the name in its report (an object that was never initialised).
    label.Draw();
    return 0;
}
