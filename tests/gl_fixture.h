// Shared test fixture: one headless GL context per process, message capture, buffer and pixel read-back,
// and counters of buffer and texture uploads.
#pragma once

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <vrtools/tools.h>

#include "headless.h"

// One message as the host's handler received it.
struct Captured_Message {
    unsigned int code = 0;
    std::wstring text;
    std::string utf8;  // the text as UTF-8, for readable assertions
};

// Upload and object counters, fed by wrappers around GLEW's buffer entry points and glTexImage2D.
struct GL_Counts {
    int buffer_data = 0;      // glBufferData calls
    int gen_buffers = 0;      // glGenBuffers calls
    int delete_buffers = 0;   // glDeleteBuffers calls
    int tex_image = 0;        // glTexImage2D calls
    int tex_sub_image = 0;    // glTexSubImage2D calls
    int buffer_sub_data = 0;  // glBufferSubData calls
    long sub_data_bytes = 0;  // bytes those calls uploaded
};

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};

class GL_Test : public ::testing::Test {
public:
    static constexpr int WIDTH = 800;
    static constexpr int HEIGHT = 600;

    // Makes the context (once per process); a failure fails every test, never skips it. The context
    // is a compatibility one unless VRTOOLS_TEST_PROFILE names another ("core", "gles").
    static void SetUpTestSuite();
    // The profile of the suite's context.
    static headless::Profile Profile();

protected:
    // Clears messages and counters, installs the capturing handler, clears the frame and sets the
    // one-unit-per-pixel projection with the default light (in a compatibility context; the others
    // get the viewport only and pass headless::Matrix_Pixels and headless::Light_Values themselves).
    void SetUp() override;
    // Expects no pending GL error and that the widgets switched off what they switched on (the
    // fixed-function switches only in a compatibility context).
    void TearDown() override;

    // The compatibility-only part of TearDown: fixed-function switches, client arrays, matrix stacks.
    void Fixed_Function_Checks();

    // A window handle for Init: any non-null value.
    static HWND Window() { return reinterpret_cast<HWND>(0x1); }

    // Messages received since SetUp (or the last Messages_Clear).
    const std::vector<Captured_Message>& Messages() const;
    std::string Messages_Text() const;  // all of them, one per line, UTF-8
    bool Has_Message(const std::string& fragment) const;
    void Messages_Clear();

    GL_Counts& Counts() const;
    void Counts_Reset();

    // GL out of memory on demand: the k-th glBufferData, glBufferSubData, glTexImage2D or
    // glTexSubImage2D call from now on (k >= 1; 0 = none) loads nothing and queues GL_OUT_OF_MEMORY
    // for glGetError, as a driver out of memory does. Returns the calls counted since the last arming, and whether the k-th was reached.
    static void GL_Fail_At(int k);
    static int GL_Calls_Seen();
    static bool GL_Fail_Hit();

    // The whole content of a buffer object.
    std::vector<unsigned char> Buffer_Bytes(GLuint vbo) const;
    template <class T>
    std::vector<T> Buffer_Read(GLuint vbo) const
    {
        const std::vector<unsigned char> bytes = Buffer_Bytes(vbo);
        std::vector<T> out(bytes.size() / sizeof(T));
        if (!out.empty())
            std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
        return out;
    }

    // Clears colour and depth to the given colour.
    void Clear(float r = 0.0f, float g = 0.0f, float b = 0.0f);
    // The pixel at scene position (x, y) (one unit per pixel, origin at the lower left).
    Rgba Pixel(int x, int y) const;
    // Number of pixels in [x0, x1) x [y0, y1) whose colour is within `tolerance` of `colour`.
    int Count_Pixels(int x0, int y0, int x1, int y1, Rgba colour, int tolerance) const;
    // Writes the frame as <test build dir>/<name>.png, for a look after a failure.
    void Save_Png(const std::string& name) const;
    // Absolute path of a committed test file.
    static std::string Data_Path(const std::string& name);
};
