// Messages: the replaceable handler, its default console form, Error_Fct and OpenGL error names.
#include "host/obrisk/internal.h"
#include <vrtools/obrisk.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace {

// Longest message delivered, terminator included; longer messages are cut rather than lost.
constexpr size_t Message_Room = 4096;

// The default handler: one line on stderr, "0x%08X text". The control characters that reports
// use as markers are shown by their code so that they do not garble the console.
void Default_Handler(HWND, unsigned int code, const wchar_t* text)
{
    try {
        char head[16];
        std::snprintf(head, sizeof(head), "0x%08X ", code);
        std::string line(head);
        char bytes[4];
        for (const wchar_t* p = text ? text : L"(null)"; *p; ++p) {
            switch (*p) {
            case 0x00F1: line += "<F1>"; break;
            case 0x0004: line += "<04>"; break;
            case 0x0009: line += "<09>"; break;
            case 0x0002: line += "<02>"; break;
            default: line.append(bytes, host::Utf8_Encode(*p, bytes)); break;
            }
        }
        // Some reports end in their own line break; do not add a blank line after them.
        if (line.back() != '\n')
            line += '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    } catch (...) {
        // Out of memory while reporting: nothing sensible is left to do, and we must return.
    }
}

std::atomic<Error_Handler> Handler{&Default_Handler};

// Decodes UTF-8 into `out` (Message_Room characters), cutting what does not fit.
void Widen(const char* text, wchar_t* out)
{
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    const size_t bytes = std::strlen(text);
    size_t pos = 0, count = 0;
    while (pos < bytes && count < Message_Room - 1)
        pos += host::Utf8_Decode(in + pos, bytes - pos, &out[count++]);
    out[count] = L'\0';
}

// Messages this thread reported while a hold was on, in their order.
struct Held {
    HWND window;
    unsigned int code;
    std::wstring text;
};
thread_local int hold_depth = 0;
thread_local std::vector<Held> held;

void Deliver(HWND window, unsigned int code, const wchar_t* text)
{
    if (hold_depth > 0) {
        try {
            held.push_back(Held{window, code, text});
            return;
        } catch (const std::bad_alloc&) {
            // No room to keep it: delivered now rather than lost.
        }
    }
    Handler.load()(window, code, text);
}

}  // namespace

void host::Messages_Hold()
{
    ++hold_depth;
}

void host::Messages_Release()
{
    if (hold_depth == 0 || --hold_depth > 0)
        return;
    // Taken out first: a handler may report again, or hold and release again, as it is called.
    std::vector<Held> out;
    out.swap(held);
    for (const Held& m : out)
        Handler.load()(m.window, m.code, m.text.c_str());
    // The vector's room is kept for the next hold, unless the handler held meanwhile.
    if (held.empty()) {
        out.clear();
        held.swap(out);
    }
}

Error_Handler Error_Handler_Set(Error_Handler handler)
{
    return Handler.exchange(handler ? handler : &Default_Handler);
}

int Error_Fct(HWND window, unsigned int code, const char* format, ...)
{
    // NOTE: Char_2_Wchar is not used here: callers often pass its result as an argument, and its
    // buffer must survive the report.
    wchar_t text[Message_Room];
    if (!format) {
        Deliver(window, code, L"(null)");
        return 1;
    }
    char narrow[Message_Room];
    size_t length = 0;
    va_list args;
    va_start(args, format);
    const host::Format_Status status = host::Format_Into(narrow, sizeof(narrow), format, args, &length);
    va_end(args);
    Widen(status == host::Format_Status::Malformed ? format : narrow, text);
    Deliver(window, code, text);
    return 1;
}

int Error_Fct(HWND window, unsigned int code, const wchar_t* format, ...)
{
    if (!format) {
        Deliver(window, code, L"(null)");
        return 1;
    }
    wchar_t text[Message_Room];
    size_t length = 0;
    va_list args;
    va_start(args, format);
    const host::Format_Status status = host::Format_Into(text, Message_Room, format, args, &length);
    va_end(args);
    if (status == host::Format_Status::Malformed) {
        // Deliver the format as it stands, cut like any other message.
        const size_t n = std::min(std::wcslen(format), Message_Room - 1);
        std::wmemcpy(text, format, n);
        text[n] = L'\0';
    }
    Deliver(window, code, text);
    return 1;
}

const char* Error_OpenGL(int error)
{
    // Used as a format by the callers: none of these texts may hold a '%'.
    switch (error) {
    case 0x0000: return "GL_NO_ERROR";
    case 0x0500: return "GL_INVALID_ENUM";
    case 0x0501: return "GL_INVALID_VALUE";
    case 0x0502: return "GL_INVALID_OPERATION";
    case 0x0503: return "GL_STACK_OVERFLOW";
    case 0x0504: return "GL_STACK_UNDERFLOW";
    case 0x0505: return "GL_OUT_OF_MEMORY";
    case 0x0506: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case 0x0507: return "GL_CONTEXT_LOST";
    case 0x8031: return "GL_TABLE_TOO_LARGE";
    default: return "unknown OpenGL error";
    }
}
