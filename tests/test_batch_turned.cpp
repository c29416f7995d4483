// Batches seen as a scene graph shows them: a panel turned under a perspective camera, whatever the
// host left of depth testing and culling.
//
// [SECTION] Against the widgets' own Draw (compatibility context)
// [SECTION] Every profile
#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <vrtools/batch.h>
#include "batch_view.h"
#include <vrtools/label.h>
#include <stb/stb_image.h>
#include "gl_fixture.h"

namespace {

// A panel as a host lays one out: a backing frame (no depth: its back lies in its front's plane),
// lamps on raised and pressed buttons, a box, a label whose caption runs over its neighbours, a
// slider.
struct Panel {
    std::deque<VR_Frames> frames;
    std::deque<VR_Buttons> buttons;
    std::deque<VR_Boxs> boxes;
    std::deque<VR_Labels> labels;
    std::deque<VR_Valuators> sliders;
    std::vector<std::function<void()>> draws;  // each widget's own Draw, in the batch's order
    VR_Batches batch;

    template <class W>
    W& Place(std::deque<W>& list, const char* name, int x, int y, int w, int h, int bevel, unsigned int flags = 0)
    {
        W& r = list.emplace_back();
        Widget_Place(r, name, x, y, w, h, bevel);
        r.Flags = flags;
        draws.push_back([&r] { r.Draw(); });
        return r;
    }

    explicit Panel(HWND window)
    {
        VR_Frames& back = Place(frames, nullptr, 100, 100, 600, 400, 2);
        back.Color_Set(90, 100, 120);
        back.Init(window);
        batch.Add(back);
        const int lamps[][2] = {{1, 0}, {1, 1}, {0, 0}};  // Lamp, State: lit and up, lit and pressed, unlit
        for (int i = 0; i < 3; ++i) {
            VR_Buttons& b = Place(buttons, "Lamp", 140 + 180 * i, 400, 150, 40, 3, VR_BUTTON_LAMP);
            b.Lamp = static_cast<short>(lamps[i][0]);
            b.Init(window);
            b.State = static_cast<short>(lamps[i][1]);
            batch.Add(b);
        }
        VR_Boxs& box = Place(boxes, "Box", 140, 280, 200, 80, 4);
        box.Init(window);
        batch.Add(box);
        // Centred in a narrow label, its caption reaches over the box before it and the button after.
        VR_Labels& label =
            Place(labels, "A caption far wider than its label", 380, 300, 60, 30, 2, VR_TEXT_HCENTER | VR_TEXT_VCENTER);
        label.Init(window);
        batch.Add(label);
        VR_Buttons& plain = Place(buttons, "Plain", 440, 290, 200, 60, 4);
        plain.Init(window);
        batch.Add(plain);
        VR_Valuators& slider = Place(sliders, "Gain", 140, 160, 420, 36, 3);
        slider.Value_Max = 100.0f;
        slider.Value = 30.0f;
        slider.Format = "%.0f";
        slider.Init(window);
        batch.Add(slider);
    }
};

// A camera 1200 units in front of the panel's middle (400, 300), the panel turned by `yaw` about its
// vertical axis and tilted back by `pitch`; the near plane as close as a scene graph's bounds put it.
struct Camera {
    float projection[16] = {};
    float model_view[16] = {};

    Camera(float yaw, float pitch, float near_plane)
    {
        const float distance = 1200.0f, far_plane = 2400.0f;
        const float half_w = 400.0f * near_plane / distance, half_h = 300.0f * near_plane / distance;
        projection[0] = near_plane / half_w;
        projection[5] = near_plane / half_h;
        projection[10] = -(far_plane + near_plane) / (far_plane - near_plane);
        projection[11] = -1.0f;
        projection[14] = -2.0f * far_plane * near_plane / (far_plane - near_plane);
        // Turned about y, then tilted about x, after the panel's middle is moved to the origin.
        const float y = yaw * 3.14159265f / 180.0f, p = pitch * 3.14159265f / 180.0f;
        const float cy = std::cos(y), sy = std::sin(y), cp = std::cos(p), sp = std::sin(p);
        const float turn[3][3] = {{cy, 0.0f, sy}, {sp * sy, cp, -sp * cy}, {-cp * sy, sp, cp * cy}};  // rows
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                model_view[c * 4 + r] = turn[r][c];
            model_view[12 + r] = -400.0f * turn[r][0] - 300.0f * turn[r][1] - (r == 2 ? distance : 0.0f);
        }
        model_view[15] = 1.0f;
    }
};

// What a host may have left of depth and culling when it calls Draw. The first is a scene graph's
// default (no culling, GL_LESS).
struct Host_State {
    const char* what;
    bool depth_test, depth_mask, cull;
    GLenum depth_func, cull_face, front_face;
};
const Host_State HOST_STATES[] = {
    {"scene graph defaults", true, true, false, GL_LESS, GL_BACK, GL_CCW},
    {"culling on", true, true, true, GL_LEQUAL, GL_BACK, GL_CCW},
    {"front faces culled, clockwise", true, true, true, GL_LEQUAL, GL_FRONT, GL_CW},
    {"depth test and writes off", false, false, false, GL_GREATER, GL_BACK, GL_CCW},
};

void Host_State_Set(const Host_State& h)
{
    if (h.depth_test)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    if (h.cull)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glDepthMask(h.depth_mask ? GL_TRUE : GL_FALSE);
    glDepthFunc(h.depth_func);
    glCullFace(h.cull_face);
    glFrontFace(h.front_face);
}

// The fixture's own: depth test on with GL_LEQUAL, no culling.
void Host_State_Reset()
{
    Host_State_Set(Host_State{"fixture", true, true, false, GL_LEQUAL, GL_BACK, GL_CCW});
}

class Turned : public GL_Test {
protected:
    std::vector<unsigned char> Frame_Read() const
    {
        std::vector<unsigned char> pixels(static_cast<size_t>(WIDTH) * HEIGHT * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // Pixels whose colour differs by more than 8 in any channel.
    static int Differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
    {
        int count = 0;
        for (size_t i = 0; i < a.size(); i += 4)
            for (size_t k = 0; k < 3; ++k)
                if (std::abs(a[i + k] - b[i + k]) > 8) {
                    ++count;
                    break;
                }
        return count;
    }

    // The batch's frame under the host state `h`, which it must leave as it found it.
    std::vector<unsigned char> Batch_Frame(Panel& panel, const Camera& camera, const Host_State& h)
    {
        Host_State_Reset();
        Clear(0.16f, 0.18f, 0.22f);
        Host_State_Set(h);
        const headless::Light& light = headless::Light_Values();
        panel.batch.Draw(camera.projection, camera.model_view, light.direction, light.color, light.ambient);
        GLint func = 0, front = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &func);
        glGetIntegerv(GL_FRONT_FACE, &front);
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE) == GL_TRUE, h.cull) << h.what;
        EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST) == GL_TRUE, h.depth_test) << h.what;
        EXPECT_EQ(static_cast<GLenum>(func), h.depth_func) << h.what;
        EXPECT_EQ(static_cast<GLenum>(front), h.front_face) << h.what;
        Host_State_Reset();
        return Frame_Read();
    }

    static std::string Named(const Host_State& h, float yaw, float near_plane)
    {
        return std::string(h.what) + ", turned " + std::to_string(static_cast<int>(yaw)) + " degrees, near plane " +
               std::to_string(static_cast<int>(near_plane));
    }
};

class TurnedPanel : public Turned {};
class BatchTurned : public Turned {};

}  // namespace

// [SECTION] Against the widgets' own Draw ------------------------------------------------------------------

TEST_F(TurnedPanel, BatchEqualsOwnDrawWhateverTheHostLeftOfDepthAndCulling)
{
    // The reference: each widget's own Draw with GL_LEQUAL and no culling, but the frame's with
    // back faces culled: without, its back, in its front's plane, shows through it in streaks
    // (which the batch never draws).
    Panel panel(Window());
    ASSERT_EQ(panel.batch.Init(), 1);
    for (const float near_plane : {5.0f, 900.0f}) {
        for (const float yaw : {0.0f, 20.0f, 35.0f, -50.0f, 160.0f}) {
            const Camera camera(yaw, 10.0f, near_plane);
            Clear(0.16f, 0.18f, 0.22f);
            glMatrixMode(GL_PROJECTION);
            glLoadMatrixf(camera.projection);
            glMatrixMode(GL_MODELVIEW);
            glLoadMatrixf(camera.model_view);
            glEnable(GL_CULL_FACE);
            panel.draws[0]();
            glDisable(GL_CULL_FACE);
            for (size_t i = 1; i < panel.draws.size(); ++i)
                panel.draws[i]();
            headless::Projection_Pixels(WIDTH, HEIGHT);
            const std::vector<unsigned char> own = Frame_Read();
            for (const Host_State& h : HOST_STATES) {
                const int differ = Differing(own, Batch_Frame(panel, camera, h));
                // With the near plane this close, a stray pixel or three where faces meet at nearly
                // equal depth: the shaders round a vertex otherwise than the fixed-function path.
                const int stray = near_plane < 10.0f ? 3 : 0;
                EXPECT_LE(differ, stray) << Named(h, yaw, near_plane);
                if (differ > stray)
                    Save_Png("TurnedPanel." + Named(h, yaw, near_plane));
            }
        }
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

// [SECTION] Every profile ----------------------------------------------------------------------------------

TEST_F(BatchTurned, PictureIsTheSameWhateverTheHostLeftOfDepthAndCulling)
{
    Panel panel(Window());
    ASSERT_EQ(panel.batch.Init(), 1);
    for (const float yaw : {20.0f, -50.0f, 160.0f}) {
        const Camera camera(yaw, 10.0f, 5.0f);
        const std::vector<unsigned char> reference = Batch_Frame(panel, camera, HOST_STATES[0]);
        for (const Host_State& h : HOST_STATES)
            EXPECT_EQ(Differing(reference, Batch_Frame(panel, camera, h)), 0) << Named(h, yaw, 5.0f);
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchTurned, EqualsTheWidgetsOwnPictureInEveryContext)
{
    // The reference is the widgets' own Draw of the panel turned 35 degrees, the frame's back
    // faces culled (TurnedPanel's), as a compatibility context drew it.
    int width = 0, height = 0, channels = 0;
    stbi_set_flip_vertically_on_load(1);
    unsigned char* own = stbi_load(VRTOOLS_TEST_DATA "/turned-panel.png", &width, &height, &channels, 4);
    stbi_set_flip_vertically_on_load(0);
    ASSERT_NE(own, nullptr);
    ASSERT_EQ(width, WIDTH);
    ASSERT_EQ(height, HEIGHT);
    const std::vector<unsigned char> reference(own, own + static_cast<size_t>(WIDTH) * HEIGHT * 4);
    stbi_image_free(own);
    Panel panel(Window());
    ASSERT_EQ(panel.batch.Init(), 1);
    const Camera camera(35.0f, 10.0f, 900.0f);
    for (const Host_State& h : HOST_STATES) {
        const int differ = Differing(reference, Batch_Frame(panel, camera, h));
        EXPECT_EQ(differ, 0) << h.what;
        if (differ > 0)
            Save_Png(std::string("BatchTurned.") + h.what);
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchTurned, ChangesAfterTheLayoutShowAsAFreshBatchDrawsThem)
{
    // Laid out with depth, the frame's back and front are apart, and the label's caption stays on
    // it; brought to no depth afterwards, back and front fight for depth, and the caption grown over
    // the button after it hides part of it, unless the batch sees both changes.
    Panel panel(Window());
    VR_Frames& back = panel.frames.front();
    back.Depth = 6;
    back.Init(Window());
    VR_Labels& label = panel.labels.front();
    label.Name = "A";
    label.Init(Window());
    ASSERT_EQ(panel.batch.Init(), 1);
    const Camera camera(35.0f, 10.0f, 5.0f);
    Batch_Frame(panel, camera, HOST_STATES[0]);
    back.Depth = 0;
    back.Init(Window());
    label.Name = "A caption far wider than its label";
    label.Init(Window());
    const std::vector<unsigned char> changed = Batch_Frame(panel, camera, HOST_STATES[0]);
    VR_Batches fresh;
    fresh.Add(back);
    for (int i = 0; i < 3; ++i)
        fresh.Add(panel.buttons[i]);
    fresh.Add(panel.boxes.front());
    fresh.Add(label);
    fresh.Add(panel.buttons[3]);
    fresh.Add(panel.sliders.front());
    ASSERT_EQ(fresh.Init(), 1);
    std::swap(panel.batch, fresh);
    EXPECT_EQ(Differing(changed, Batch_Frame(panel, camera, HOST_STATES[0])), 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchTurned, ACursorMovedOntoItsGroovesEndsAndBackShowsAsAFreshBatchDrawsIt)
{
    // At either end of its travel the cursor's wall lies in the plane of the groove's end, facing
    // it: seen turned, the two fight for depth unless the batch marks them again as the cursor
    // comes and goes.
    Panel panel(Window());
    ASSERT_EQ(panel.batch.Init(), 1);
    VR_Valuators& slider = panel.sliders.front();
    const auto fresh_frame = [&](const Camera& camera) {
        VR_Batches fresh;
        fresh.Add(panel.frames.front());
        for (int i = 0; i < 3; ++i)
            fresh.Add(panel.buttons[i]);
        fresh.Add(panel.boxes.front());
        fresh.Add(panel.labels.front());
        fresh.Add(panel.buttons[3]);
        fresh.Add(slider);
        EXPECT_EQ(fresh.Init(), 1);
        std::swap(panel.batch, fresh);
        const std::vector<unsigned char> pixels = Batch_Frame(panel, camera, HOST_STATES[0]);
        std::swap(panel.batch, fresh);
        return pixels;
    };
    VR_Frames& back = panel.frames.front();
    for (const float yaw : {35.0f, -50.0f}) {
        const Camera camera(yaw, 10.0f, 5.0f);
        for (const float value : {0.0f, 40.0f, 100.0f, 60.0f, 0.0f, 100.0f, 30.0f}) {
            slider.Value = value;
            slider.Adjust();
            const std::vector<unsigned char> batched = Batch_Frame(panel, camera, HOST_STATES[0]);
            EXPECT_EQ(Differing(batched, fresh_frame(camera)), 0) << "turned " << yaw << ", value " << value;
        }
        // The frame's back comes into its front's plane and leaves it, seen turned, or first seen
        // straight (where walls cover nothing) and then turned.
        for (const bool straight_first : {false, true})
            for (const short depth : {6, 0, 3, 0}) {
                back.Depth = depth;
                back.Init(Window());
                if (straight_first) {
                    float projection[16];
                    headless::Matrix_Pixels(WIDTH, HEIGHT, projection);
                    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
                    const headless::Light& light = headless::Light_Values();
                    panel.batch.Draw(projection, identity, light.direction, light.color, light.ambient);
                }
                const std::vector<unsigned char> batched = Batch_Frame(panel, camera, HOST_STATES[0]);
                EXPECT_EQ(Differing(batched, fresh_frame(camera)), 0)
                    << "turned " << yaw << ", depth " << depth << (straight_first ? ", seen straight first" : "");
            }
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
