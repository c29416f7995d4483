// The drawable: widgets set up, driven and drawn in the draw traversal, where the context is current.
#include <GL/glew.h>

#include <vrtools/osg/panels.h>
#include <vrtools/setup.h>

#include <osg/CullFace>
#include <osg/Depth>
#include <osg/State>

#include <algorithm>
#include <cstdlib>

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
#ifdef OSG_GL_FIXED_FUNCTION_AVAILABLE
    // For the host's own fixed-function neighbours in the same state; an OpenSceneGraph built for
    // core profiles has no such mode and would leave GL_INVALID_ENUM behind.
    state->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
#endif
}

VR_Osg_Panels::VR_Osg_Panels(const VR_Osg_Panels& other, const osg::CopyOp& copy)
    : osg::Drawable(other, copy), entries_(other.entries_), changed_(other.changed_)
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

void VR_Osg_Panels::Entry_Add(VR_Tools& widget, std::function<void(VR_Batches&)> add)
{
    entries_.push_back({&widget, std::move(add)});
    ++generation_;
    dirtyBound();
}

// Drawn only.
void VR_Osg_Panels::Add(VR_Labels& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); });
}
void VR_Osg_Panels::Add(VR_Frames& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); });
}
void VR_Osg_Panels::Add(VR_Progress& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); });
}
void VR_Osg_Panels::Add(VR_TabItems& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); });
}
// Drawn and given the pointer.
void VR_Osg_Panels::Add(VR_Buttons& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); }), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Boxs& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); }), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Valuators& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); }), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Selects& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); }), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Tabs& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); }), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Colors& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); }), input_.Add(w);
}
void VR_Osg_Panels::Add(VR_Hues& w)
{
    Entry_Add(w, [&w](VR_Batches& b) { b.Add(w); }), input_.Add(w);
}

void VR_Osg_Panels::Clear()
{
    entries_.clear();
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
    for (const Entry& e : entries_) {
        area[0] = std::min(area[0], static_cast<float>(e.widget->X));
        area[1] = std::min(area[1], static_cast<float>(e.widget->Y));
        area[2] = std::max(area[2], static_cast<float>(e.widget->X + e.widget->Width));
        area[3] = std::max(area[3], static_cast<float>(e.widget->Y + e.widget->Height));
    }
    if (entries_.empty())
        area[0] = area[1] = area[2] = area[3] = 0.0f;
}

osg::BoundingBox VR_Osg_Panels::computeBoundingBox() const
{
    osg::BoundingBox box;
    for (const Entry& e : entries_) {
        const VR_Tools& w = *e.widget;
        // Faces stand out of z = 0 and sink into it by their bevels and a box's own offset; the
        // margin errs wide, as a box too thin lets the viewer's near and far planes clip the faces.
        const float depth = 4.0f * std::abs(w.Bevel) + std::abs(w.Z) + 0.25f * std::max(w.Width, w.Height) + 1.0f;
        box.expandBy(osg::Vec3(w.X, w.Y, -depth));
        box.expandBy(osg::Vec3(w.X + w.Width, w.Y + w.Height, depth));
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
        bool complete = true;
        for (const Entry& e : entries_) {
            if (e.widget->Status & VR_STATUS_INITIALISED)
                e.add(*slot.batch);
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
