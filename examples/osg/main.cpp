// Widgets in an OpenSceneGraph scene: a lit, textured set of shapes with two panels of widgets drawn
// by vrtools_osg, driven through the viewer's own event queue. Runs under an X server (Xvfb in CI):
// it clicks a button and drags a slider as a user would, checks that their values changed, and with
// --png writes the last frame.
#include <GL/glew.h>

#include <osg/Geode>
#include <osg/Image>
#include <osg/LightSource>
#include <osg/Material>
#include <osg/MatrixTransform>
#include <osg/ShapeDrawable>
#include <osg/Texture2D>
#include <osgViewer/Viewer>

#include <vrtools/osg/panels.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "headless.h"
#include "placement.h"

namespace {

constexpr int WIDTH = 640, HEIGHT = 400;
constexpr float UNIT = 0.004f;  // metres per scene unit of a panel
constexpr float BACKING_GAP = 10.0f;

// The captions' window: OpenSceneGraph's window stays its own, any non-null handle does.
HWND Window()
{
    return reinterpret_cast<HWND>(1);
}

// The widgets of both panels; the host owns them, the drawables only draw and drive them.
struct Widgets {
    VR_Frames backing[2];
    VR_Labels title[2];
    VR_Buttons buttons[2];
    VR_Valuators sliders[2];

    void Init()
    {
        const unsigned int colours[2] = {0xC8BEB4u, 0xB4C0C8u};
        const char* titles[2] = {"Pumps", "Flow"};
        for (int p = 0; p < 2; ++p) {
            Widget_Place(backing[p], 0, 0, 360, 220, 4).Depth = 12;
            backing[p].Color_Set(colours[p]);
            backing[p].Init(Window());
            Widget_Place(title[p], 14, 176, 300, 30, 2, titles[p]).Font_Style = "Bold";
            title[p].Color_Set(0x302820u);
            title[p].Init(Window());
        }
        const char* names[2] = {"Main", "Spare"};
        for (int i = 0; i < 2; ++i) {
            VR_Buttons& b = buttons[i];
            Widget_Place(b, 20 + i * 170, 60, 150, 80, 10, names[i]).Flags = VR_BUTTON_LAMP | VR_TEXT_VCENTER;
            b.Color_Set(0xC0A890u);
            b.State = b.Lamp = i;
            b.Init(Window());
            VR_Valuators& v = sliders[i];
            Widget_Place(v, 20, 100 - i * 70, 320, 52, 5, i == 0 ? "Inlet" : "Outlet").Flags = VR_TEXT_VCENTER;
            v.Value_Min = 0.0f, v.Value_Max = 20.0f, v.Value = 5.0f + 10.0f * i;
            v.Format = "%.1f l/s";
            v.Color_Set(i == 0 ? 0xE0C8A0u : 0xA0D8C8u);
            v.Init(Window());
        }
    }
};

osg::ref_ptr<osg::Texture2D> Checker_Texture()
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(64, 64, 1, GL_RGB, GL_UNSIGNED_BYTE);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            unsigned char* p = image->data(x, y);
            const bool light = ((x / 8) + (y / 8)) % 2 == 0;
            p[0] = light ? 230 : 160, p[1] = light ? 220 : 90, p[2] = light ? 200 : 60;
        }
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image);
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::REPEAT);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::REPEAT);
    return texture;
}

osg::ref_ptr<osg::Node> Shape(osg::Shape* shape, const osg::Vec4& colour, osg::Texture2D* texture)
{
    osg::ref_ptr<osg::ShapeDrawable> drawable = new osg::ShapeDrawable(shape);
    drawable->setColor(colour);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(drawable);
    if (texture)
        geode->getOrCreateStateSet()->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    return geode;
}

// A panel stands with its centre at `centre`, turned by `yaw` degrees about the vertical; its
// backing sits a little behind the widgets' plane (its own drawable, its own batch).
osg::ref_ptr<osg::MatrixTransform> Panel(VR_Osg_Panels* widgets, VR_Osg_Panels* backing, const osg::Vec3& centre,
                                         float yaw)
{
    osg::ref_ptr<osg::MatrixTransform> place = new osg::MatrixTransform(
        osg::Matrix::translate(-180.0, -110.0, 0.0) * osg::Matrix::scale(UNIT, UNIT, UNIT) *
        osg::Matrix::rotate(osg::DegreesToRadians(yaw), 0.0, 1.0, 0.0) * osg::Matrix::translate(centre));
    osg::ref_ptr<osg::MatrixTransform> behind = new osg::MatrixTransform(osg::Matrix::translate(0, 0, -BACKING_GAP));
    behind->addChild(backing);
    place->addChild(behind);
    place->addChild(widgets);
    return place;
}

// The window position (GL's, y upward) of the point (x, y) of a panel.
osg::Vec2 Window_Of(const VR_Osg_Panels* panel, const osg::Camera* camera, float x, float y)
{
    const osg::Matrix model = panel->getWorldMatrices().front();
    const osg::Vec3 ndc = osg::Vec3(x, y, 0.0f) * model * camera->getViewMatrix() * camera->getProjectionMatrix();
    return {0.5f * (ndc.x() + 1.0f) * WIDTH, 0.5f * (ndc.y() + 1.0f) * HEIGHT};
}

struct Realize : osg::Operation {
    Widgets& widgets;
    explicit Realize(Widgets& w) : osg::Operation("vrtools", false), widgets(w) {}
    void operator()(osg::Object*) override
    {
        glewExperimental = GL_TRUE;
        glewInit();
        widgets.Init();
    }
};

// The last frame's colour buffer, read before the buffers swap.
struct Grab : osg::Camera::DrawCallback {
    std::string path;
    mutable bool written = false;
    void operator()(osg::RenderInfo&) const override
    {
        if (!path.empty())
            written = headless::Png_Write(path, WIDTH, HEIGHT);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    std::string png;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            png = argv[++i];

    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->x = 0, traits->y = 0, traits->width = WIDTH, traits->height = HEIGHT;
    traits->windowDecoration = false;
    traits->doubleBuffer = true;
    traits->depth = 24;
    osg::ref_ptr<osg::GraphicsContext> gc = osg::GraphicsContext::createGraphicsContext(traits);
    if (!gc) {
        std::fprintf(stderr, "osg: no graphics context (is an X server running?)\n");
        return 1;
    }
    osgViewer::Viewer viewer;
    viewer.setThreadingModel(osgViewer::Viewer::SingleThreaded);
    osg::Camera* camera = viewer.getCamera();
    camera->setGraphicsContext(gc);
    camera->setViewport(0, 0, WIDTH, HEIGHT);
    camera->setClearColor(osg::Vec4(0.18f, 0.2f, 0.24f, 1.0f));
    camera->setProjectionMatrixAsPerspective(40.0, double(WIDTH) / HEIGHT, 0.1, 50.0);
    camera->setViewMatrixAsLookAt(osg::Vec3(0.0f, 1.5f, 3.6f), osg::Vec3(0.0f, 0.9f, 0.0f), osg::Vec3(0, 1, 0));
    osg::ref_ptr<Grab> grab = new Grab;
    camera->setFinalDrawCallback(grab);

    // The scene's light, fixed in the world, lights the shapes and the widgets alike.
    const osg::Vec3 toward = osg::Vec3(0.5f, 1.0f, 0.8f) / osg::Vec3(0.5f, 1.0f, 0.8f).length();
    viewer.setLightingMode(osg::View::SKY_LIGHT);
    viewer.getLight()->setPosition(osg::Vec4(toward, 0.0f));
    viewer.getLight()->setAmbient(osg::Vec4(0.2f, 0.2f, 0.2f, 1.0f));
    viewer.getLight()->setDiffuse(osg::Vec4(0.9f, 0.9f, 0.9f, 1.0f));

    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::ref_ptr<osg::Texture2D> checker = Checker_Texture();
    root->addChild(
        Shape(new osg::Box(osg::Vec3(0.0f, -0.05f, -0.5f), 5.0f, 0.1f, 3.0f), {0.7f, 0.7f, 0.7f, 1}, checker));
    root->addChild(Shape(new osg::Box(osg::Vec3(-0.35f, 0.25f, -0.3f), 0.5f), {1.0f, 1.0f, 1.0f, 1}, checker));
    root->addChild(Shape(new osg::Sphere(osg::Vec3(0.45f, 0.3f, -0.2f), 0.3f), {0.9f, 0.5f, 0.3f, 1}, checker));
    root->addChild(Shape(new osg::Cylinder(osg::Vec3(0.0f, 0.4f, -1.3f), 0.2f, 0.8f), {0.4f, 0.6f, 0.9f, 1}, nullptr));

    auto widgets = std::make_unique<Widgets>();
    osg::ref_ptr<VR_Osg_Panels> panels[2], backings[2];
    int clicks = 0;
    // The widgets' batches take the light as a direction in eye space: the camera does not move.
    const osg::Vec3 toward_eye = osg::Matrix::transform3x3(toward, camera->getViewMatrix());
    const float light[3] = {toward_eye.x(), toward_eye.y(), toward_eye.z()}, white[3] = {0.9f, 0.9f, 0.9f},
                ambient[3] = {0.2f, 0.2f, 0.2f};
    for (int p = 0; p < 2; ++p) {
        panels[p] = new VR_Osg_Panels;
        backings[p] = new VR_Osg_Panels;
        panels[p]->Light_Set(light, white, ambient);
        backings[p]->Light_Set(light, white, ambient);
        backings[p]->Add(widgets->backing[p]);
        panels[p]->Add(widgets->title[p]);
    }
    for (VR_Buttons& b : widgets->buttons)
        panels[0]->Add(b);
    for (VR_Valuators& v : widgets->sliders)
        panels[1]->Add(v);
    panels[0]->Changed_Set([&](const VR_Changes& change) {
        for (VR_Buttons& b : widgets->buttons)
            if (change.Widget == &b)
                b.Lamp = b.State, ++clicks;
    });
    root->addChild(Panel(panels[0], backings[0], osg::Vec3(-0.75f, 1.05f, 0.2f), 25.0f));
    root->addChild(Panel(panels[1], backings[1], osg::Vec3(0.75f, 1.05f, 0.2f), -25.0f));

    osg::ref_ptr<VR_Osg_Pointers> pointers = new VR_Osg_Pointers;
    pointers->Add(panels[0]);
    pointers->Add(panels[1]);
    viewer.addEventHandler(pointers);
    viewer.setSceneData(root);
    // The context is current only while the viewer realizes and draws: GLEW and the widgets' Init
    // belong in the realize operation.
    viewer.setRealizeOperation(new Realize(*widgets));
    viewer.realize();
    // OpenSceneGraph checks for GL errors after each state change and drawable: the widgets' batches
    // must leave none behind ("detected OpenGL error" fails the test).
    gc->getState()->setCheckForGLErrors(osg::State::ONCE_PER_ATTRIBUTE);
    // Injected positions in GL's window pixels, y upward.
    osgGA::EventQueue* queue = viewer.getEventQueue();
    queue->getCurrentEventState()->setInputRange(0, 0, WIDTH, HEIGHT);
    queue->getCurrentEventState()->setMouseYOrientation(osgGA::GUIEventAdapter::Y_INCREASING_UPWARDS);
    viewer.frame();

    int failures = 0;
    // A click on the "Main" button lights its lamp.
    const VR_Buttons& main_button = widgets->buttons[0];
    const osg::Vec2 on_main = Window_Of(panels[0], camera, main_button.X + 75.0f, main_button.Y + 40.0f);
    queue->mouseMotion(on_main.x(), on_main.y());
    queue->mouseButtonPress(on_main.x(), on_main.y(), 1);
    viewer.frame();
    queue->mouseButtonRelease(on_main.x(), on_main.y(), 1);
    viewer.frame();
    if (main_button.State != 1 || main_button.Lamp != 1 || clicks != 1) {
        std::fprintf(stderr, "osg: the click left Main at state %d, lamp %d (%d clicks)\n", main_button.State,
                     main_button.Lamp, clicks);
        ++failures;
    }
    // A drag along the "Inlet" slider from a quarter to three quarters of its track.
    VR_Valuators& inlet = widgets->sliders[0];
    const float start = inlet.Value;
    const float y_mid = inlet.Y + 0.5f * inlet.Height;
    const osg::Vec2 from = Window_Of(panels[1], camera, inlet.X + 0.25f * inlet.Width, y_mid);
    const osg::Vec2 to = Window_Of(panels[1], camera, inlet.X + 0.75f * inlet.Width, y_mid);
    queue->mouseMotion(from.x(), from.y());
    queue->mouseButtonPress(from.x(), from.y(), 1);
    viewer.frame();
    for (int step = 1; step <= 4; ++step) {
        const osg::Vec2 at = from + (to - from) * (step / 4.0f);
        queue->mouseMotion(at.x(), at.y());
        viewer.frame();
    }
    queue->mouseButtonRelease(to.x(), to.y(), 1);
    // Off both panels: every highlight goes.
    queue->mouseMotion(5.0f, 5.0f);
    viewer.frame();
    if (!(inlet.Value > start + 5.0f && inlet.Value <= inlet.Value_Max)) {
        std::fprintf(stderr, "osg: the drag left Inlet at %.2f (was %.2f)\n", inlet.Value, start);
        ++failures;
    }
    grab->path = png;
    viewer.frame();
    if (!png.empty() && !grab->written) {
        std::fprintf(stderr, "osg: could not write %s\n", png.c_str());
        ++failures;
    }
    std::printf("osg: Main %s, Inlet %.2f -> %.2f\n", main_button.State ? "on" : "off", start, inlet.Value);

    // Teardown with the context current: the batches and the widgets free their GL objects.
    gc->makeCurrent();
    for (int p = 0; p < 2; ++p) {
        panels[p]->releaseGLObjects(gc->getState());
        backings[p]->releaseGLObjects(gc->getState());
    }
    widgets.reset();
    gc->releaseContext();
    return failures ? 1 : 0;
}
