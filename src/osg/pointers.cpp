// The event handler: the viewer's mouse as a ray from its camera, met with each panel's plane.
#include <vrtools/osg/panels.h>
#include <vrtools/pick.h>

#include <osg/Camera>
#include <osg/Viewport>
#include <osgGA/EventVisitor>
#include <osgViewer/View>

void VR_Osg_Pointers::Add(VR_Osg_Panels* panel)
{
    panels_.emplace_back(panel);
}

int VR_Osg_Pointers::Pick(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action, float* x, float* y)
{
    osgViewer::View* view = dynamic_cast<osgViewer::View*>(&action);
    const osg::Camera* camera = view ? view->getCamera() : nullptr;
    const osg::Viewport* viewport = camera ? camera->getViewport() : nullptr;
    if (!viewport)
        return -1;
    // The normalised position is the event's place in the window whichever way its y runs; the
    // camera's viewport covers the window in a plain viewer.
    const int window[4] = {static_cast<int>(viewport->x()), static_cast<int>(viewport->y()),
                           static_cast<int>(viewport->width()), static_cast<int>(viewport->height())};
    const float wx = window[0] + 0.5f * (event.getXnormalized() + 1.0f) * window[2];
    const float wy = window[1] + 0.5f * (event.getYnormalized() + 1.0f) * window[3];
    // osg::Matrix keeps its rows as GL keeps its columns: view * projection here is projection x
    // view in GL's order, and ptr() is the column-major array VR_Picks takes.
    const osg::Matrixf inverse(osg::Matrix::inverse(camera->getViewMatrix() * camera->getProjectionMatrix()));
    VR_Picks pick;
    if (!pick.Ray_Set_Window(wx, wy, window, inverse.ptr()))
        return -1;
    int nearest = -1;
    float best = 0.0f;
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        osg::ref_ptr<VR_Osg_Panels> panel;
        if (!panels_[i].lock(panel))
            continue;
        const osg::MatrixList worlds = panel->getWorldMatrices();
        const osg::Matrixf model(worlds.empty() ? osg::Matrix::identity() : worlds.front());
        if (!pick.Hit(model.ptr()))
            continue;
        float area[4];
        panel->Area_Get(area);
        const bool inside = pick.X > area[0] && pick.X <= area[2] && pick.Y > area[1] && pick.Y <= area[3];
        // A captured panel takes the point wherever it lies.
        if ((inside || static_cast<int>(i) == captured_) &&
            (nearest < 0 || pick.Distance < best || static_cast<int>(i) == captured_)) {
            nearest = static_cast<int>(i), best = pick.Distance, *x = pick.X, *y = pick.Y;
            if (nearest == captured_)
                break;
        }
    }
    return nearest;
}

bool VR_Osg_Pointers::handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action, osg::Object*,
                             osg::NodeVisitor*)
{
    using Event = osgGA::GUIEventAdapter;
    using Kinds = VR_Osg_Panels::Pointer_Kinds;
    const Event::EventType type = event.getEventType();
    const bool left = event.getButton() == Event::LEFT_MOUSE_BUTTON;
    Kinds kind;
    switch (type) {
    case Event::MOVE:
    case Event::DRAG: kind = Kinds::MOVE; break;
    case Event::PUSH:
        if (!left)
            return false;
        kind = Kinds::PRESS;
        break;
    case Event::RELEASE:
        if (!left)
            return false;
        kind = Kinds::RELEASE;
        break;
    case Event::SCROLL: kind = Kinds::WHEEL; break;
    default: return false;
    }
    float x = 0.0f, y = 0.0f;
    const int hit = Pick(event, action, &x, &y);
    auto panel_at = [this](int i) {
        osg::ref_ptr<VR_Osg_Panels> panel;
        if (i >= 0 && i < static_cast<int>(panels_.size()))
            panels_[i].lock(panel);
        return panel;
    };
    // The panel the pointer left drops its highlights: a point far outside every widget.
    if (kind == Kinds::MOVE && hovered_ >= 0 && hovered_ != hit && captured_ < 0)
        if (osg::ref_ptr<VR_Osg_Panels> left_panel = panel_at(hovered_))
            left_panel->Pointer_Queue(Kinds::MOVE, -30000.0f, -30000.0f);
    if (kind == Kinds::MOVE)
        hovered_ = hit;
    if (captured_ >= 0 && hit != captured_ && kind != Kinds::RELEASE)
        return true;  // the ray misses the dragged panel's plane: the slider stays where it was
    const int target = captured_ >= 0 ? captured_ : hit;
    osg::ref_ptr<VR_Osg_Panels> panel = panel_at(target);
    if (kind == Kinds::RELEASE)
        captured_ = -1;
    if (!panel)
        return false;
    float amount = 0.0f;
    if (kind == Kinds::WHEEL) {
        const Event::ScrollingMotion motion = event.getScrollingMotion();
        amount = motion == Event::SCROLL_UP ? 1.0f : motion == Event::SCROLL_DOWN ? -1.0f : event.getScrollingDeltaY();
    }
    if (kind == Kinds::PRESS)
        captured_ = target;
    panel->Pointer_Queue(kind, x, y, amount);
    action.requestRedraw();
    return type != Event::MOVE;
}
