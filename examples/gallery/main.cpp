// Gallery host: builds every registered scene in a grid and runs it in the examples' window or headless shell.
#include <GL/glew.h>

#include "gallery.h"
#include "headless.h"
#include "viewer.h"
#include <vrtools/setup.h>

namespace {

class Gallery_Program : public viewer::Program {
public:
    void Init(HWND window) override { gallery.Init(window); }

    void Frame(int width, int height) override
    {
        // The whole grid fills the framebuffer, one scene unit per pixel at the grid's own size.
        headless::Projection_Pixels(width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, gallery.width, 0.0, gallery.height, -1000.0, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        VR_Tools_GL_Setup();
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

private:
    Gallery gallery;
};

}  // namespace

int main(int argc, char** argv)
{
    viewer::Options options;
    options.name = "gallery";
    Gallery_Size(&options.width, &options.height);
    // A few frames, so that animated widgets show a moved state.
    options.frames = 3;
    return viewer::Main(argc, argv, options, []() -> viewer::Program* { return new Gallery_Program; });
}
