// A host of vrtools_osg outside the tree: installed headers and libraries only. No display is needed:
// it builds a panel and a pointer handler, and checks what needs no context (the panel's bounds for
// OpenSceneGraph's culling, its area for picking, the class OpenSceneGraph's registry knows it by).
#include <vrtools/osg/panels.h>

#include <osg/MatrixTransform>

#include <cstdio>
#include <cstring>

int main()
{
    VR_Labels label;
    label.X = 10, label.Y = 20, label.Width = 200, label.Height = 60;
    osg::ref_ptr<VR_Osg_Panels> panel = new VR_Osg_Panels;
    panel->Add(label);
    osg::ref_ptr<osg::MatrixTransform> place = new osg::MatrixTransform(osg::Matrix::scale(0.01, 0.01, 0.01));
    place->addChild(panel);
    osg::ref_ptr<VR_Osg_Pointers> pointers = new VR_Osg_Pointers;
    pointers->Add(panel);

    const osg::BoundingBox box = panel->getBoundingBox();
    float area[4];
    panel->Area_Get(area);
    std::printf("%s: box %g..%g x %g..%g, area %g %g %g %g\n", panel->className(), box.xMin(), box.xMax(), box.yMin(),
                box.yMax(), area[0], area[1], area[2], area[3]);
    const bool ok = std::strcmp(panel->className(), "VR_Osg_Panels") == 0 && box.xMin() == 10 && box.xMax() == 210 &&
                    box.yMin() == 20 && box.yMax() == 80 && box.zMax() > 0 && area[2] == 210 && area[3] == 80;
    return ok ? 0 : 1;
}
