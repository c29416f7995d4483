// Widgets in an OpenSceneGraph scene: a drawable that draws a set of widgets through one batch per
// graphics context, and an event handler that turns the viewer's mouse into pointer events for them.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <osg/Drawable>
#include <osgGA/GUIEventHandler>

#include "../batch.h"
#include "../dispatch.h"

#if defined(VRTOOLS_OSG_BUILDING)
#define VRTOOLS_OSG_API __attribute__((visibility("default")))
#else
#define VRTOOLS_OSG_API
#endif

// A panel of widgets as a drawable, in the widgets' scene units: place it in the world with a
// transform above it (a panel of 400 units and a scale of 0.005 stands 2 m wide). The widgets stay
// the host's: one destroyed while the panel lists it drops out of it, one moved is followed. The
// panel's bound follows the widgets' places: its update callback takes it again when one moved,
// changed size or was destroyed (a host that sets an update callback of its own adds it instead,
// with addUpdateCallback, or the bound stays where the widgets were).
//
// OpenSceneGraph makes its context current only in its realize operation and the draw traversal.
// The host initialises GLEW and the widgets in a realize operation (viewer.setRealizeOperation); a
// widget not yet initialised is left out and taken in at a later draw. The pointer events queued by
// VR_Osg_Pointers (a click recolours a button) and the change function that reacts to them run in the
// draw traversal, in the first context that draws the panel (its home context). Every context that
// draws the panel gets a batch of its own. The state set asks for what the batch needs: the depth
// test with GL_LEQUAL (captions and lamps lie on their faces), back faces culled, normals normalised.
// Adding, clearing and reading the widgets belong to the draw thread, or to a single-threaded
// viewer; a batch left at destruction is freed then, which needs its context current or gone.
class VRTOOLS_OSG_API VR_Osg_Panels : public osg::Drawable {
public:
    VR_Osg_Panels();
    VR_Osg_Panels(const VR_Osg_Panels& other, const osg::CopyOp& copy = osg::CopyOp::SHALLOW_COPY);
    META_Object(vrtools, VR_Osg_Panels)

        // Called in the draw traversal for each field a pointer event changed.
        void Changed_Set(std::function<void(const VR_Changes&)> changed);
    // The widgets' light: direction toward it in eye space (unit length), diffuse colour, ambient.
    // The default is VR_Tools_Default_Light.
    void Light_Set(const float toward[3], const float color[3], const float ambient[3]);

    // Widgets drawn by the panel, bottom first; the interactive ones also take the pointer. Each is
    // taken into the batches at the next draw (the widget initialised by then).
    void Add(VR_Labels& widget);
    void Add(VR_Buttons& widget);
    void Add(VR_Boxs& widget);
    void Add(VR_Frames& widget);
    void Add(VR_Progress& widget);
    void Add(VR_Valuators& widget);
    void Add(VR_Selects& widget);
    void Add(VR_TabItems& widget);
    void Add(VR_Tabs& widget);
    void Add(VR_Colors& widget);
    void Add(VR_Hues& widget);
    // Forgets every widget (the batches keep their GL objects).
    void Clear();

    // Pointer events in the panel's scene units, carried out at the next draw in the home context.
    enum class Pointer_Kinds { MOVE, PRESS, RELEASE, WHEEL };
    void Pointer_Queue(Pointer_Kinds kind, float x, float y, float amount = 0.0f);
    // The dispatcher of the interactive widgets (draw traversal or single-threaded viewers only).
    VR_Dispatchers& Input() { return input_; }
    // The rectangle the widgets cover, in scene units, for picking: x0, y0, x1, y1.
    void Area_Get(float area[4]) const;

    void drawImplementation(osg::RenderInfo& render_info) const override;
    osg::BoundingBox computeBoundingBox() const override;
    // With a state: frees that context's batch (its context current). Without: frees every batch.
    void releaseGLObjects(osg::State* state = nullptr) const override;
    void resizeGLObjectBuffers(unsigned int count) override;

protected:
    ~VR_Osg_Panels() override;

private:
    // How a widget of the list goes into a batch, by its class: beside the list, place for place.
    using Batch_Add = void (*)(VR_Batches& batch, VR_Tools& widget);
    struct Event {
        Pointer_Kinds kind;
        float x, y, amount;
    };
    void Entry_Add(VR_Tools& widget, Batch_Add add);
    void Events_Run() const;
    // The update traversal's look at the widgets: the bound is taken again once one of them moved,
    // changed size or was destroyed since it was last taken.
    struct Bound_Watch;
    void Bound_Check();

    VR_Holdings widgets_;
    std::vector<Batch_Add> adds_;
    std::function<void(const VR_Changes&)> changed_;
    float light_[9];
    unsigned int generation_ = 1;  // grows with each change of the widget set
    mutable VR_Dispatchers input_;
    mutable std::mutex events_lock_;
    mutable std::vector<Event> events_;
    mutable int home_ = -1;  // context ID of the first draw, -1 before it
    struct Context_Batch {
        std::unique_ptr<VR_Batches> batch;
        unsigned int generation = 0;
        bool failed = false;
    };
    mutable std::vector<Context_Batch> batches_;  // by context ID
    // What the bound was last taken from: each listed widget's X, Y, Z, Width, Height and Bevel,
    // and whether it was still there.
    struct Bound_Place {
        short place[6];
        bool present;
    };
    mutable std::vector<Bound_Place> bound_places_;
};

// Mouse events of an OpenSceneGraph view to the panels under the pointer: the ray through the
// pointer from the view's camera (its view and projection matrices and viewport) meets each panel's
// plane where the panel's world matrix puts it; the nearest panel hit within its area gets the event,
// queued for the draw traversal. A press that starts on a panel keeps the later moves and the release
// for it (a slider follows the drag off the panel). Events that reach a panel are marked handled,
// so a camera manipulator after this handler leaves them alone.
class VRTOOLS_OSG_API VR_Osg_Pointers : public osgGA::GUIEventHandler {
public:
    VR_Osg_Pointers() = default;
    void Add(VR_Osg_Panels* panel);

    bool handle(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action, osg::Object* object,
                osg::NodeVisitor* visitor) override;
    using osgGA::GUIEventHandler::handle;

private:
    // The panel hit nearest along the ray through the event's position, with the point in its scene
    // units; -1 when none is hit.
    int Pick(const osgGA::GUIEventAdapter& event, osgGA::GUIActionAdapter& action, float* x, float* y);

    std::vector<osg::observer_ptr<VR_Osg_Panels>> panels_;
    int captured_ = -1;  // the panel of the drag, or -1
    int hovered_ = -1;   // the panel under the pointer at the last move, or -1
};
