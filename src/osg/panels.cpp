// The drawable: widgets set up, driven and drawn in the draw traversal, where the context is current.
#include <GL/glew.h>

#include <vrtools/osg/panels.h>
#include <vrtools/setup.h>

#include <osg/CullFace>
#include <osg/Depth>
#include <osg/State>

#include <algorithm>
#include <cstdlib>
#include <new>

// OpenSceneGraph keeps a drawable's bound until told it changed; a widget moved past it would be
// culled, or cut by near and far planes set around where it was.
struct VR_Osg_Panels::Bound_Watch : osg::Drawable::UpdateCallback {
    Bound_Watch() = default;
    // A deep copy of the panel's callbacks keeps it a watch.
    Bound_Watch(const Bound_Watch& other, const osg::CopyOp& copy)
        : osg::Object(other, copy), osg::Callback(other, copy), osg::Drawable::UpdateCallback(other, copy)
    {}
    void update(osg::NodeVisitor*, osg::Drawable* drawable) override
    {
        if (auto* panel = dynamic_cast<VR_Osg_Panels*>(drawable))
            panel->Bound_Check();
    }
    META_Object(vrtools, Bound_Watch)
};

VR_Osg_Panels::VR_Osg_Panels()
{
    const VR_Tools_Light& light = VR_Tools_Default_Light();
    std::copy(light.toward, light.toward + 3, light_);
    std::copy(light.color, light.color + 3, light_ + 3);
    std::copy(light.ambient, light.ambient + 3, light_ + 6);
    // The widgets change between frames: a threaded viewer must not draw them while the next
    // frame's events already run.
    setDataVariance(osg::Object::DYNAMIC);
    setSupportsDisplayList(false);
    setUseDisplayList(false);
    setUseVertexBufferObjects(false);
    osg::StateSet* state = getOrCreateStateSet();
    state->setAttributeAndModes(new osg::Depth(osg::Depth::LEQUAL), osg::StateAttribute::ON);
    state->setAttributeAndModes(new osg::CullFace(osg::CullFace::BACK), osg::StateAttribute::ON);
    setUpdateCallback(new Bound_Watch);
#ifdef OSG_GL_FIXED_FUNCTION_AVAILABLE
    // For the host's own fixed-function neighbours in the same state; an OpenSceneGraph built for
    // core profiles has no such mode and would leave GL_INVALID_ENUM behind.
    state->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
#endif
}

VR_Osg_Panels::VR_Osg_Panels(const VR_Osg_Panels& other, const osg::CopyOp& copy)
    : osg::Drawable(other, copy), widgets_(other.widgets_), adds_(other.adds_), changed_(other.changed_)
{
    // The copy drives the same widgets; its batches are made at its own first draw.
    std::copy(other.light_, other.light_ + 9, light_);
    input_ = other.input_;
}

VR_Osg_Panels::~VR_Osg_Panels() = default;

void VR_Osg_Panels::Changed_Set(std::function<void(const VR_Changes&)> changed)
{
    changed_ = std::move(changed);
}

void VR_Osg_Panels::Light_Set(const float toward[3], const float color[3], const float ambient[3])
{
    std::copy(toward, toward + 3, light_);
    std::copy(color, color + 3, light_ + 3);
    std::copy(ambient, ambient + 3, light_ + 6);
}

void VR_Osg_Panels::Entry_Add(VR_Tools& widget, Batch_Add add)
{
    const std::size_t place = widgets_.Add(widget);
    if (place == widgets_.Size())
        return;  // reported
    try {
        adds_.resize(widgets_.Size());
    } catch (const std::bad_alloc&) {
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION, "Osg panels: out of memory adding \"%ls\"; left out",
                  widget.W_Name ? widget.W_Name : L"no name");
        return;
    }
    adds_[place] = add;
    ++generation_;
    dirtyBound();
}

namespace {

// A batch's Add for the class the widget was listed as.
template <class Widget>
void Batch_Add_Of(VR_Batches& batch, VR_Tools& widget)
{
    batch.Add(static_cast<Widget&>(widget));
}

}  // namespace

// Drawn only.
void VR_Osg_Panels::Add(VR_Labels& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Labels>);
}
void VR_Osg_Panels::Add(VR_Frames& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Frames>);
}
void VR_Osg_Panels::Add(VR_Progress& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Progress>);
}
void VR_Osg_Panels::Add(VR_TabItems& w)
{
    Entry_Add(w, Batch_Add_Of<VR_TabItems>);
}
// Drawn and given the pointer.
void VR_Osg_Panels::Add(VR_Buttons& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Buttons>), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Boxs& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Boxs>), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Valuators& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Valuators>), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Selects& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Selects>), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Tabs& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Tabs>), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Colors& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Colors>), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Hues& w)
{
    Entry_Add(w, Batch_Add_Of<VR_Hues>), input_.Add(w);
}

void VR_Osg_Panels::Clear()
{
    widgets_.Clear();
    adds_.clear();
    input_.Clear();
    ++generation_;
    dirtyBound();
}

void VR_Osg_Panels::Pointer_Queue(Pointer_Kinds kind, float x, float y, float amount)
{
    std::lock_guard<std::mutex> hold(events_lock_);
    events_.push_back({kind, x, y, amount});
}

void VR_Osg_Panels::Area_Get(float area[4]) const
{
    area[0] = area[1] = 1e30f;
    area[2] = area[3] = -1e30f;
    bool any = false;
    for (std::size_t i = 0; i < widgets_.Size(); ++i)
        if (const VR_Tools* w = widgets_.At(i)) {
            area[0] = std::min(area[0], static_cast<float>(w->X));
            area[1] = std::min(area[1], static_cast<float>(w->Y));
            area[2] = std::max(area[2], static_cast<float>(w->X + w->Width));
            area[3] = std::max(area[3], static_cast<float>(w->Y + w->Height));
            any = true;
        }
    if (!any)
        area[0] = area[1] = area[2] = area[3] = 0.0f;
}

namespace {

// The fields of a widget that its share of the bound follows.
void Bound_Place_Of(const VR_Tools& w, short place[6])
{
    const short fields[6] = {w.X, w.Y, w.Z, w.Width, w.Height, w.Bevel};
    std::copy(fields, fields + 6, place);
}

}  // namespace

void VR_Osg_Panels::Bound_Check()
{
    bool changed = bound_places_.size() != widgets_.Size();
    for (std::size_t i = 0; i < widgets_.Size() && !changed; ++i) {
        const VR_Tools* w = widgets_.At(i);
        const Bound_Place& was = bound_places_[i];
        short place[6];
        if (w)
            Bound_Place_Of(*w, place);
        changed = (w != nullptr) != was.present || (w && !std::equal(place, place + 6, was.place));
    }
    if (changed)
        dirtyBound();
}

osg::BoundingBox VR_Osg_Panels::computeBoundingBox() const
{
    osg::BoundingBox box;
    // Without memory for the record the bound is still taken, and taken again at each update.
    try {
        bound_places_.resize(widgets_.Size());
    } catch (const std::bad_alloc&) {
        bound_places_.clear();
    }
    const bool recorded = bound_places_.size() == widgets_.Size();
    for (std::size_t i = 0; i < widgets_.Size(); ++i) {
        const VR_Tools* w = widgets_.At(i);
        if (recorded) {
            bound_places_[i].present = w != nullptr;
            if (w)
                Bound_Place_Of(*w, bound_places_[i].place);
        }
        if (!w)
            continue;
        // Faces stand out of z = 0 and sink into it by their bevels and a box's own offset; the
        // margin errs wide, as a box too thin lets the viewer's near and far planes clip the faces.
        const float depth = 4.0f * std::abs(w->Bevel) + std::abs(w->Z) + 0.25f * std::max(w->Width, w->Height) + 1.0f;
        box.expandBy(osg::Vec3(w->X, w->Y, -depth));
        box.expandBy(osg::Vec3(w->X + w->Width, w->Y + w->Height, depth));
    }
    return box;
}

void VR_Osg_Panels::Events_Run() const
{
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> hold(events_lock_);
        events.swap(events_);
    }
    for (const Event& e : events) {
        int changes = 0;
        switch (e.kind) {
        case Pointer_Kinds::MOVE: changes = input_.Move(e.x, e.y); break;
        case Pointer_Kinds::PRESS: changes = input_.Press(e.x, e.y); break;
        case Pointer_Kinds::RELEASE: changes = input_.Release(e.x, e.y); break;
        case Pointer_Kinds::WHEEL: changes = input_.Wheel(e.x, e.y, e.amount); break;
        }
        for (int i = 0; i < changes && changed_; ++i)
            changed_(input_.Change(i));
    }
}

void VR_Osg_Panels::drawImplementation(osg::RenderInfo& render_info) const
{
    osg::State& state = *render_info.getState();
    const unsigned int context = state.getContextID();
    if (home_ < 0)
        home_ = static_cast<int>(context);
    if (static_cast<int>(context) == home_)
        Events_Run();
    if (batches_.size() <= context)
        batches_.resize(context + 1);
    Context_Batch& slot = batches_[context];
    if (!slot.batch) {
        slot.batch = std::make_unique<VR_Batches>();
        slot.failed = slot.batch->Init() != 1;  // reported by the batch
    }
    if (slot.failed)
        return;
    if (slot.generation != generation_) {
        // A widget not initialised yet would be reported and dropped by the batch: it waits, and
        // the set is taken again at each draw until every widget is in.
        slot.batch->Clear();
        // The batch forgets a destroyed widget as the list does, and follows a moved one.
        bool complete = true;
        for (std::size_t i = 0; i < widgets_.Size(); ++i) {
            VR_Tools* w = widgets_.At(i);
            if (!w)
                continue;
            if (w->Status & VR_STATUS_INITIALISED)
                adds_[i](*slot.batch, *w);
            else
                complete = false;
        }
        if (complete)
            slot.generation = generation_;
    }
    const osg::Matrixf projection(state.getProjectionMatrix());
    const osg::Matrixf model_view(state.getModelViewMatrix());
    slot.batch->Draw(projection.ptr(), model_view.ptr(), light_, light_ + 3, light_ + 6);
}

void VR_Osg_Panels::releaseGLObjects(osg::State* state) const
{
    osg::Drawable::releaseGLObjects(state);
    if (!state) {
        batches_.clear();
        return;
    }
    const unsigned int context = state->getContextID();
    if (context < batches_.size())
        batches_[context] = Context_Batch();
}

void VR_Osg_Panels::resizeGLObjectBuffers(unsigned int count)
{
    osg::Drawable::resizeGLObjectBuffers(count);
    if (batches_.size() < count)
        batches_.resize(count);
}
