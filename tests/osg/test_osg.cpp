// vrtools_osg without a viewer: its drawable drawn through a hand-made osg::State in a headless
// context, its event handler fed hand-made events through a view whose camera has no window.
#include <GL/glew.h>

#include <vrtools/osg/panels.h>
#include <vrtools/setup.h>

#include <osg/MatrixTransform>
#include <osgUtil/UpdateVisitor>
#include <osgViewer/View>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "headless.h"

namespace {

constexpr int W = 200, H = 120;
std::vector<std::string> messages;

class Osg : public ::testing::Test {
protected:
    // One context for the process, kept to its end as the main suite keeps its own: the driver
    // stays loaded, so the leak checker still knows its allocations for what they are.
    static void SetUpTestSuite()
    {
        static std::string error;
        static const bool ready = headless::Context_Create(W, H, &error);
        ASSERT_TRUE(ready) << error;
        Error_Handler_Set([](HWND, unsigned int, const wchar_t* text) {
            messages.emplace_back(text ? std::string(text, text + std::wcslen(text)) : std::string());
        });
    }
    void SetUp() override { messages.clear(); }

    // One draw of `panel` as OpenSceneGraph's draw traversal makes it: the state of context `id`
    // holding the projection and model-view matrices.
    static void Draw(const VR_Osg_Panels& panel, unsigned int id)
    {
        osg::ref_ptr<osg::State> state = new osg::State;
        state->setContextID(id);
        state->applyProjectionMatrix(new osg::RefMatrix(Projection()));
        state->applyModelViewMatrix(new osg::RefMatrix(osg::Matrix::translate(0.0, 0.0, -5.0)));
        osg::RenderInfo info(state.get(), nullptr);
        panel.drawImplementation(info);
    }
    static osg::Matrix Projection()
    {
        float m[16];
        headless::Matrix_Pixels(W, H, m);
        return osg::Matrix(m);
    }
    static std::vector<unsigned char> Pixels()
    {
        std::vector<unsigned char> rgba(W * H * 4);
        glFinish();
        glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
    static void Clear()
    {
        glViewport(0, 0, W, H);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    }
};

void Place(VR_Tools& w, int x, int y, int width, int height, const char* name)
{
    w.X = static_cast<short>(x), w.Y = static_cast<short>(y);
    w.Width = static_cast<short>(width), w.Height = static_cast<short>(height);
    w.Bevel = 4;
    w.Name = name;
    w.Font_Name = "DejaVu Sans";
    w.Font_Size = 14;
}

HWND Window()
{
    return reinterpret_cast<HWND>(1);
}

// The drawable draws what a batch draws under the state's matrices and the default light, takes in
// a widget initialised after it was added, and draws again after its GL objects were released.
TEST_F(Osg, DrawsAsABatchUnderTheStateMatrices)
{
    VR_Labels label;
    VR_Buttons button;
    Place(label, 10, 70, 180, 40, "Label");
    Place(button, 10, 10, 120, 50, "Press");
    label.Init(Window());
    osg::ref_ptr<VR_Osg_Panels> panel = new VR_Osg_Panels;
    panel->Add(label);
    panel->Add(button);  // not initialised yet: waits

    Clear();
    Draw(*panel, 0);
    EXPECT_TRUE(messages.empty()) << messages.front();
    button.Init(Window());
    Clear();
    Draw(*panel, 0);
    const std::vector<unsigned char> drawn = Pixels();

    VR_Batches batch;
    batch.Add(label);
    batch.Add(button);
    ASSERT_EQ(batch.Init(), 1);
    Clear();
    const osg::Matrixf projection(Projection()), model_view(osg::Matrix::translate(0.0, 0.0, -5.0));
    const VR_Tools_Light& light = VR_Tools_Default_Light();
    batch.Draw(projection.ptr(), model_view.ptr(), light.toward, light.color, light.ambient);
    EXPECT_TRUE(Pixels() == drawn) << "the drawable's picture differs from the batch's";

    panel->releaseGLObjects(nullptr);
    Clear();
    Draw(*panel, 0);
    EXPECT_TRUE(Pixels() == drawn) << "nothing drawn after the release";
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// Queued pointer events change nothing until the home context draws; the change function hears
// each change there. A second context draws with a batch of its own and runs no event.
TEST_F(Osg, PointerEventsRunInTheHomeContextsDraw)
{
    VR_Buttons button;
    Place(button, 10, 10, 120, 50, "Press");
    button.Init(Window());
    osg::ref_ptr<VR_Osg_Panels> panel = new VR_Osg_Panels;
    panel->Add(button);
    int heard = 0;
    panel->Changed_Set([&](const VR_Changes& c) { heard += c.Widget == &button && c.Kind == VR_CHANGE_STATE; });

    Clear();
    Draw(*panel, 3);  // context 3 is home from now on
    panel->Pointer_Queue(VR_Osg_Panels::Pointer_Kinds::PRESS, 50, 30);
    panel->Pointer_Queue(VR_Osg_Panels::Pointer_Kinds::RELEASE, 50, 30);
    EXPECT_EQ(button.State, 0);
    Draw(*panel, 1);
    EXPECT_EQ(button.State, 0) << "another context ran the events";
    Draw(*panel, 3);
    EXPECT_EQ(button.State, 1);
    EXPECT_EQ(heard, 1);
    Draw(*panel, 3);
    EXPECT_EQ(heard, 1) << "an event ran twice";
    panel->releaseGLObjects(nullptr);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// A host's scene graph outlives its widgets as often as not: a widget destroyed while the panel
// lists it drops out, one moved into another object is drawn there, in the panel and in a copy of
// it, with no message; the area shrinks to what is left.
TEST_F(Osg, WidgetsDestroyedOrMovedWhileListedDropOutOrAreFollowed)
{
    auto label = std::make_unique<VR_Labels>();
    auto button = std::make_unique<VR_Buttons>();
    Place(*label, 10, 70, 180, 40, "Label");
    Place(*button, 10, 10, 120, 50, "Press");
    label->Init(Window());
    button->Init(Window());
    osg::ref_ptr<VR_Osg_Panels> panel = new VR_Osg_Panels;
    panel->Add(*label);
    panel->Add(*button);
    osg::ref_ptr<VR_Osg_Panels> copy = new VR_Osg_Panels(*panel);
    Clear();
    Draw(*panel, 0);

    VR_Labels moved(std::move(*label));
    label.reset();
    button.reset();
    Clear();
    Draw(*panel, 0);
    const std::vector<unsigned char> drawn = Pixels();
    Clear();
    Draw(*copy, 1);
    EXPECT_TRUE(Pixels() == drawn) << "the copy draws otherwise";

    VR_Batches batch;
    batch.Add(moved);
    ASSERT_EQ(batch.Init(), 1);
    Clear();
    const osg::Matrixf projection(Projection()), model_view(osg::Matrix::translate(0.0, 0.0, -5.0));
    const VR_Tools_Light& light = VR_Tools_Default_Light();
    batch.Draw(projection.ptr(), model_view.ptr(), light.toward, light.color, light.ambient);
    EXPECT_TRUE(Pixels() == drawn) << "the panel does not draw the moved label alone";
    float area[4];
    panel->Area_Get(area);
    EXPECT_EQ(area[1], 70.0f) << "the destroyed button still counts";
    EXPECT_EQ(area[3], 110.0f);
    panel->releaseGLObjects(nullptr);
    copy->releaseGLObjects(nullptr);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(Osg, BoundsFollowTheWidgets)
{
    VR_Labels a, b;
    Place(a, 10, 20, 100, 30, nullptr);
    Place(b, -40, 5, 60, 200, nullptr);
    osg::ref_ptr<VR_Osg_Panels> panel = new VR_Osg_Panels;
    panel->Add(a);
    EXPECT_EQ(panel->getBoundingBox().xMin(), 10.0f);
    panel->Add(b);  // the bound is computed again
    const osg::BoundingBox box = panel->getBoundingBox();
    EXPECT_EQ(box.xMin(), -40.0f);
    EXPECT_EQ(box.xMax(), 110.0f);
    EXPECT_EQ(box.yMin(), 5.0f);
    EXPECT_EQ(box.yMax(), 205.0f);
    EXPECT_LT(box.zMin(), -4.0f);  // the faces' bevels stand out of z = 0 on both sides
    EXPECT_GT(box.zMax(), 4.0f);
}

// A widget moved or destroyed after the bound was taken: the viewer's update traversal takes it
// again, for the panel, a deep copy of it and the group above them, so that culling and the near
// and far planes follow the widgets.
TEST_F(Osg, BoundsFollowWidgetsMovedOrDestroyedAfterwards)
{
    VR_Labels a;
    auto b = std::make_unique<VR_Labels>();
    Place(a, 10, 20, 100, 30, nullptr);
    Place(*b, -40, 5, 60, 200, nullptr);
    osg::ref_ptr<VR_Osg_Panels> panel = new VR_Osg_Panels;
    panel->Add(a);
    panel->Add(*b);
    osg::ref_ptr<VR_Osg_Panels> copy =
        new VR_Osg_Panels(*panel, osg::CopyOp(osg::CopyOp::DEEP_COPY_ALL & ~osg::CopyOp::DEEP_COPY_STATESETS));
    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->addChild(panel.get());
    root->addChild(copy.get());
    osgUtil::UpdateVisitor update;
    root->accept(update);
    EXPECT_EQ(root->getBound().center().x(), 35.0f);
    EXPECT_EQ(panel->getBoundingBox().xMax(), 110.0f);

    a.X = 2000;
    root->accept(update);
    for (const VR_Osg_Panels* p : {panel.get(), copy.get()}) {
        EXPECT_EQ(p->getBoundingBox().xMin(), -40.0f);
        EXPECT_EQ(p->getBoundingBox().xMax(), 2100.0f);
    }
    EXPECT_EQ(root->getBound().center().x(), 1030.0f);

    b.reset();
    root->accept(update);
    for (const VR_Osg_Panels* p : {panel.get(), copy.get()})
        EXPECT_EQ(p->getBoundingBox().xMin(), 2000.0f);
    a.Height = 80;
    root->accept(update);
    for (const VR_Osg_Panels* p : {panel.get(), copy.get()}) {
        EXPECT_EQ(p->getBoundingBox().yMin(), 20.0f);
        EXPECT_EQ(p->getBoundingBox().yMax(), 100.0f);
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// The handler's ray: a view of 200 x 120 pixels looking down -z at two panels of 100 x 100 scene
// units, scaled by 0.01: panel 1 at the origin spans pixels 73 to 127, panel 0 a metre behind and
// to the left spans 38 to 80. Events come as a window sends them (y down).
class Pointers : public Osg {
protected:
    void SetUp() override
    {
        Osg::SetUp();
        view = new osgViewer::View;
        view->getCamera()->setViewport(0, 0, W, H);
        view->getCamera()->setProjectionMatrixAsPerspective(40.0, double(W) / H, 0.1, 100.0);
        view->getCamera()->setViewMatrixAsLookAt(osg::Vec3(0, 0, 3), osg::Vec3(0, 0, 0), osg::Vec3(0, 1, 0));
        for (int i = 0; i < 2; ++i) {
            Place(slider[i], 0, 0, 100, 100, nullptr);
            slider[i].Value_Min = 0, slider[i].Value_Max = 100, slider[i].Value = 50;
            slider[i].Init(Window());
            panel[i] = new VR_Osg_Panels;
            panel[i]->Add(slider[i]);
            osg::ref_ptr<osg::MatrixTransform> place =
                new osg::MatrixTransform(osg::Matrix::translate(-50, -50, 0) * osg::Matrix::scale(0.01, 0.01, 0.01) *
                                         (i == 0 ? osg::Matrix::translate(-1, 0, -1) : osg::Matrix::identity()));
            place->addChild(panel[i]);
            places[i] = place;
            handler->Add(panel[i]);
        }
    }
    void TearDown() override
    {
        for (auto& p : panel)
            p->releaseGLObjects(nullptr);
    }
    // An event at window pixel (x, y), y downward as X11 counts it.
    bool Send(osgGA::GUIEventAdapter::EventType type, float x, float y)
    {
        osg::ref_ptr<osgGA::GUIEventAdapter> e = new osgGA::GUIEventAdapter;
        e->setEventType(type);
        e->setButton(type == osgGA::GUIEventAdapter::MOVE || type == osgGA::GUIEventAdapter::DRAG
                         ? 0
                         : osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON);
        e->setInputRange(0, 0, W, H);
        e->setMouseYOrientation(osgGA::GUIEventAdapter::Y_INCREASING_DOWNWARDS);
        e->setX(x), e->setY(y);
        return handler->handle(*e, *view, nullptr, nullptr);
    }
    void Run()
    {
        for (auto& p : panel)
            Draw(*p, 0);
    }

    osg::ref_ptr<osgViewer::View> view;
    osg::ref_ptr<VR_Osg_Pointers> handler = new VR_Osg_Pointers;
    VR_Valuators slider[2];
    osg::ref_ptr<VR_Osg_Panels> panel[2];
    osg::ref_ptr<osg::Node> places[2];
};

// The nearer panel takes the press; the drag stays with it past its edge and ends with the release.
TEST_F(Pointers, NearestPanelTakesThePressAndKeepsTheDrag)
{
    using E = osgGA::GUIEventAdapter;
    EXPECT_TRUE(Send(E::PUSH, 76, 60));  // where the panels overlap
    Run();
    EXPECT_EQ(slider[0].Value, 50.0f) << "the panel behind took the press";
    EXPECT_LT(slider[1].Value, 20.0f);
    EXPECT_TRUE(Send(E::DRAG, 50, 60));  // left, past panel 1's edge, over panel 0
    Run();
    EXPECT_EQ(slider[1].Value, 0.0f) << "the drag left its slider";
    EXPECT_EQ(slider[0].Value, 50.0f);
    EXPECT_TRUE(Send(E::RELEASE, 50, 60));
    Run();
    // The same place, now that the drag is over: panel 0's.
    EXPECT_TRUE(Send(E::PUSH, 50, 60));
    Send(E::RELEASE, 50, 60);
    Run();
    EXPECT_EQ(slider[1].Value, 0.0f);
    EXPECT_LT(slider[0].Value, 50.0f) << "the capture outlived its release";
    // Nothing under the pointer: the event is left to the camera manipulator.
    EXPECT_FALSE(Send(E::PUSH, 1, 1));
    Send(E::RELEASE, 1, 1);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// The wheel turns the slider under the pointer, up raising it and down lowering it.
TEST_F(Pointers, WheelTurnsThePanelUnderThePointer)
{
    using E = osgGA::GUIEventAdapter;
    osg::ref_ptr<osgGA::GUIEventAdapter> e = new osgGA::GUIEventAdapter;
    e->setEventType(E::SCROLL);
    e->setInputRange(0, 0, W, H);
    e->setX(100), e->setY(60);  // panel 1's middle
    e->setScrollingMotion(E::SCROLL_UP);
    EXPECT_TRUE(handler->handle(*e, *view, nullptr, nullptr));
    Run();
    EXPECT_GT(slider[1].Value, 50.0f);
    EXPECT_EQ(slider[0].Value, 50.0f);
    const float raised = slider[1].Value;
    e->setScrollingMotion(E::SCROLL_DOWN);
    handler->handle(*e, *view, nullptr, nullptr);
    handler->handle(*e, *view, nullptr, nullptr);
    Run();
    EXPECT_LT(slider[1].Value, raised);
    EXPECT_LT(slider[1].Value, 50.0f);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

}  // namespace
