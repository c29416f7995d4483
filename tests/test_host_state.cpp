// A host that caches its GL state, as a scene graph does: what it draws after a widget's own Draw,
// with and without the save and restore the host guide asks of it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <vrtools/button.h>
#include <vrtools/label.h>
#include <vrtools/valuator.h>
#include "gl_fixture.h"

namespace {

// How the host wraps the widgets' draws.
enum class Wrap { NONE, PARTIAL, FULL };

class Host_State : public GL_Test {
protected:
    void SetUp() override
    {
        GL_Test::SetUp();
        if (Profile() != headless::Profile::COMPAT)
            GTEST_SKIP() << "a widget's own Draw needs a compatibility context";
        const unsigned char checker[16] = {255, 255, 255, 255, 40,  160, 255, 255,
                                           40,  160, 255, 255, 255, 255, 255, 255};
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, checker);
        glBindTexture(GL_TEXTURE_2D, 0);
        // The host's object: a lit, textured quad, its normal leaning away from the light, in a buffer
        // of its own.
        const float v[] = {
            // x, y, z, normal, s, t
            500, 100, 0, 0.4f, 0.0f, 1.0f, 0, 0,  //
            750, 100, 0, 0.4f, 0.0f, 1.0f, 4, 0,  //
            750, 350, 0, 0.4f, 0.0f, 1.0f, 4, 4,  //
            500, 350, 0, 0.4f, 0.0f, 1.0f, 0, 4,
        };
        glGenBuffers(1, &vbo_);
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        glBufferData(GL_ARRAY_BUFFER, sizeof v, v, GL_STATIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        const auto place = [](VR_Tools& t, const char* name, short y, short w, short h) {
            t.Name = name;
            t.Font_Name = "DejaVu Sans";
            t.Font_Size = 14;
            t.Bevel = 3;
            t.X = 40;
            t.Y = y;
            t.Width = w;
            t.Height = h;
        };
        place(button_, "Lamp", 400, 160, 40);
        button_.Flags = VR_BUTTON_LAMP;
        button_.Lamp = 1;
        button_.Init(Window());
        place(label_, "Label", 300, 160, 30);
        label_.Init(Window());
        place(slider_, "Gain", 200, 300, 36);
        slider_.Format = "%.1f";
        slider_.Value_Max = 10.0f;
        slider_.Value = 4.0f;
        slider_.Init(Window());
    }

    void TearDown() override
    {
        if (Profile() == headless::Profile::COMPAT) {
            glDisable(GL_LIGHTING);
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_VERTEX_ARRAY);
            glDisableClientState(GL_NORMAL_ARRAY);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            glBindTexture(GL_TEXTURE_2D, 0);
            glDeleteTextures(1, &texture_);
            glDeleteBuffers(1, &vbo_);
        }
        GL_Test::TearDown();
    }

    // The host's state for its object, set once: a scene graph that tracks state sets it again only
    // when it believes it changed, and never tracks the texture environment.
    void Host_State_Set() const
    {
        const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f}, diffuse[] = {0.8f, 0.8f, 0.8f, 1.0f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glEnable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glLineWidth(5.0f);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }

    // The host's object: its array pointers given at each draw, the quad and its rim.
    void Object_Draw() const
    {
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        const GLsizei stride = 8 * sizeof(float);
        glVertexPointer(3, GL_FLOAT, stride, nullptr);
        glNormalPointer(GL_FLOAT, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
        glTexCoordPointer(2, GL_FLOAT, stride, reinterpret_cast<const void*>(6 * sizeof(float)));
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDrawArrays(GL_QUADS, 0, 4);
        glDrawArrays(GL_LINE_LOOP, 0, 4);
    }

    // One frame: the host's state, the widgets (wrapped as `wrap` says), then the host's object on
    // the state it believes it left. Returns the pixels around the object.
    std::vector<unsigned char> Frame(bool widgets, Wrap wrap)
    {
        Clear(0.16f, 0.18f, 0.22f);
        Host_State_Set();
        if (widgets) {
            if (wrap == Wrap::FULL) {
                glPushAttrib(GL_ALL_ATTRIB_BITS);
                glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
            } else if (wrap == Wrap::PARTIAL) {
                glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT);
                glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT | GL_CLIENT_PIXEL_STORE_BIT);
            }
            button_.Draw();
            label_.Draw();
            slider_.Draw();
            if (wrap != Wrap::NONE) {
                glPopClientAttrib();
                glPopAttrib();
            }
        }
        Object_Draw();
        std::vector<unsigned char> object(static_cast<size_t>(OBJECT_W) * OBJECT_H * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(OBJECT_X, OBJECT_Y, OBJECT_W, OBJECT_H, GL_RGBA, GL_UNSIGNED_BYTE, object.data());
        return object;
    }

    // Pixels whose colour differs by more than 8 in a channel.
    static int Differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
    {
        int count = 0;
        for (size_t i = 0; i < a.size(); i += 4)
            count +=
                std::abs(a[i] - b[i]) > 8 || std::abs(a[i + 1] - b[i + 1]) > 8 || std::abs(a[i + 2] - b[i + 2]) > 8;
        return count;
    }

    // The object and its rim, with room around.
    static constexpr int OBJECT_X = 490, OBJECT_Y = 90, OBJECT_W = 270, OBJECT_H = 270;
    GLuint texture_ = 0, vbo_ = 0;
    VR_Buttons button_;
    VR_Labels label_;
    VR_Valuators slider_;
};

}  // namespace

TEST_F(Host_State, AStateCachingHostDrawsAsBeforeOnlyAroundAFullAttributePushAndPop)
{
    const std::vector<unsigned char> alone = Frame(false, Wrap::NONE);
    // Lit and textured: the checker's two texels lit, neither the clear colour nor the texels as they are.
    const Rgba white_texel = Pixel(510, 110), blue_texel = Pixel(540, 110);
    EXPECT_NEAR(white_texel.r, 125, 12);
    EXPECT_NEAR(blue_texel.b, 125, 12);
    EXPECT_LT(blue_texel.r, 40);
    const int unwrapped = Differing(alone, Frame(true, Wrap::NONE));
    // The attribute groups a widget's Draw changes most, but not the line width its lamp rim resets.
    const int partial = Differing(alone, Frame(true, Wrap::PARTIAL));
    const int full = Differing(alone, Frame(true, Wrap::FULL));
    std::printf("of %d pixels around the host's object, differing after the widgets: unwrapped %d, "
                "partial push %d, full push %d\n",
                OBJECT_W * OBJECT_H, unwrapped, partial, full);
    // Its arrays, lighting and texturing switched off by the widgets, the object is not drawn at all.
    EXPECT_GT(unwrapped, 250 * 250 / 2);
    EXPECT_GT(partial, 0) << "the line width came back without GL_LINE_BIT";
    EXPECT_EQ(full, 0);
    glLineWidth(1.0f);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
