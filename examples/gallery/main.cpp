// Gallery host: builds every registered scene in a grid and runs it in the examples' window or headless shell,
// drawing the widgets one by one or through one batch (also in a core-profile or ES context).
#include <GL/glew.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "gallery.h"
#include "headless.h"
#include "viewer.h"
#include <vrtools/setup.h>

namespace {

// --batch: every widget drawn through one VR_Batches; --core and --gles imply it.
bool batched = false;
// --sharp: the batch draws its text as glyph quads (implies --batch).
bool sharp = false;
// Set when the batch could not be made in the context (its Init reported why).
bool batch_failed = false;
// --state FILE: what the input changed and where the focus is, written when the program ends.
const char* state_path = nullptr;
// A big step (Shift, Page Up and Down): a slider's table has 1024 entries.
constexpr int BIG_STEP = 32;

class Gallery_Program : public viewer::Program {
public:
    ~Gallery_Program() override
    {
        if (!state_path)
            return;
        if (FILE* f = std::fopen(state_path, "w")) {
            std::fputs(gallery.State().c_str(), f);
            std::fclose(f);
        } else {
            std::fprintf(stderr, "gallery: cannot write %s\n", state_path);
        }
    }

    void Init(HWND window) override { batch_failed = !gallery.Init(window, batched, sharp); }

    void Frame(int width, int height) override
    {
        // The whole grid fills the framebuffer, one scene unit per pixel at the grid's own size.
        headless::Projection_Pixels(width, height);
        if (headless::Context_Profile() == headless::Profile::COMPAT) {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(0.0, gallery.width, 0.0, gallery.height, -1000.0, 1000.0);
            glMatrixMode(GL_MODELVIEW);
            VR_Tools_GL_Setup();
        } else {
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GL_LEQUAL);
        }
        if (!batch_failed)
            gallery.Draw();
    }

    // Every event goes through the gallery's dispatcher; the widgets know the left button only.
    void Pointer(int, float x, float y) override { gallery.Move(x, y); }
    void Press(int button, float x, float y) override
    {
        if (button == 0)
            gallery.Press(x, y);
    }
    void Release(int button, float x, float y) override
    {
        if (button == 0)
            gallery.Release(x, y);
    }
    void Wheel(float x, float y, float amount) override { gallery.Wheel(x, y, amount); }

    // The keys a host without a pointer maps: arrows move the focus across the grid, Tab along the
    // order of the scenes, Enter clicks, + and - step the focused value.
    void Key(int key, bool down, bool shift) override
    {
        switch (key) {
        case viewer::KEY_LEFT: gallery.Focus_Move(-1.0f, 0.0f); break;
        case viewer::KEY_RIGHT: gallery.Focus_Move(1.0f, 0.0f); break;
        case viewer::KEY_UP: gallery.Focus_Move(0.0f, 1.0f); break;
        case viewer::KEY_DOWN: gallery.Focus_Move(0.0f, -1.0f); break;
        case viewer::KEY_TAB: gallery.Focus_Next(shift ? -1 : 1); break;
        case viewer::KEY_ENTER: gallery.Activate(down); break;
        case viewer::KEY_PLUS: gallery.Step(shift ? BIG_STEP : 1); break;
        case viewer::KEY_MINUS: gallery.Step(shift ? -BIG_STEP : -1); break;
        default: break;
        }
    }

private:
    Gallery gallery;
};

}  // namespace

int main(int argc, char** argv)
{
    viewer::Options options;
    // The gallery's own switches; the shell sees the rest.
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--batch") == 0) {
            batched = true;
        } else if (std::strcmp(argv[i], "--sharp") == 0) {
            batched = sharp = true;
        } else if (std::strcmp(argv[i], "--core") == 0 || std::strcmp(argv[i], "--gles") == 0) {
            // Only the batch draws without the fixed-function pipeline.
            batched = true;
            options.profile = argv[i][2] == 'c' ? headless::Profile::CORE : headless::Profile::GLES;
        } else if (std::strcmp(argv[i], "--state") == 0 && i + 1 < argc) {
            state_path = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: %s [--batch] [--sharp] [--core | --gles] [--png FILE] [--shot FILE] [--state FILE]\n"
                        "  --batch  draw every widget through one VR_Batches instead of its own Draw\n"
                        "  --sharp  the batch's text as glyph quads from a distance-field atlas (implies --batch)\n"
                        "  --core   OpenGL 3.3 core-profile context (implies --batch)\n"
                        "  --gles   OpenGL ES 3.0 context (implies --batch)\n"
                        "  --png    render headless frames and write the last into FILE\n"
                        "  --shot   in a window, write the frame shown at Escape into FILE\n"
                        "  --state  at the end, write what the input changed and the focus into FILE\n"
                        "keys: arrows and Tab / Shift-Tab move the focus, Enter or Space clicks,\n"
                        "  + and - step a value (Page Up and Down by %d), Escape quits; a gamepad's\n"
                        "  d-pad or left stick, A, X and Y, bumpers and B do the same\n",
                        argv[0], BIG_STEP);
            return 0;
        } else {
            rest.push_back(argv[i]);
        }
    }
    options.name = "gallery";
    Gallery_Size(&options.width, &options.height);
    // A few frames, so that animated widgets show a moved state.
    options.frames = 3;
    const int status = viewer::Main(static_cast<int>(rest.size()), rest.data(), options,
                                    []() -> viewer::Program* { return new Gallery_Program; });
    if (batch_failed) {
        std::fprintf(stderr, "gallery: the batch cannot draw in this context\n");
        return 1;
    }
    return status;
}
