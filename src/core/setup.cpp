// GL set-up for hosts that have none of their own: normalised normals, one light, depth by LEQUAL.
#include "core.h"

#include <vrtools/setup.h>

const VR_Tools_Light& VR_Tools_Default_Light()
{
    // (-0.3, 0.4, 1.0) made unit length: a directional light, so every widget of a panel is lit
    // alike wherever it stands.
    static const VR_Tools_Light light = {
        {-0.26832816f, 0.35777088f, 0.89442719f}, {0.75f, 0.75f, 0.75f}, {0.25f, 0.25f, 0.25f}};
    return light;
}

void VR_Tools_GL_Setup()
{
    const VR_Tools_Light& l = VR_Tools_Default_Light();
    const GLfloat position[] = {l.toward[0], l.toward[1], l.toward[2], 0.0f};
    const GLfloat diffuse[] = {l.color[0], l.color[1], l.color[2], 1.0f};
    const GLfloat ambient[] = {l.ambient[0], l.ambient[1], l.ambient[2], 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}
