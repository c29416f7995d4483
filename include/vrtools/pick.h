// Pointer rays for panels in a 3-D scene: from a world-space ray to the scene units that Select takes.
#pragma once

#include "tools.h"

// A host that stands panels of widgets in a perspective scene places each panel with a model matrix
// (panel scene units -> world) and turns its pointer or controller into a world-space ray. VR_Picks
// meets that ray with a panel's plane z = 0 and gives the point in the panel's scene units, ready for
// Select / Is_Select, with the distance along the ray so that the nearest of several panels wins.
// Matrices are column-major float[16] as glGetFloatv and glLoadMatrixf use them. Bad input (NaN or
// infinite numbers, a zero direction, a singular matrix) is reported through Error_Fct with a text
// starting "Pick: " and gives no hit; nothing here divides by zero or touches GL.
class VRTOOLS_API VR_Picks {
public:
    float Origin[3] = {};     // host or Ray_Set_Window: start of the ray, world units
    float Direction[3] = {};  // host or Ray_Set_Window: its direction, world units, any length > 0
    float X = 0.0f;           // Hit, Nearest: the hit in the panel's scene units
    float Y = 0.0f;
    float Distance = 0.0f;  // Hit, Nearest: world distance from Origin to the hit

    // Sets the ray through the window position (wx, wy) in pixels, origin at the lower left corner
    // of the window as glViewport counts it, `viewport` = {x, y, width, height}, from the near to the
    // far plane of `inverse_projection_view`, the inverse of projection x view. 1 on success; 0
    // (reported, ray unchanged) for an empty viewport, non-finite input or a degenerate result.
    int Ray_Set_Window(float wx, float wy, const int viewport[4], const float inverse_projection_view[16]);

    // Meets the ray with the plane z = 0 of the panel placed by `model`. On a hit in front of Origin
    // sets X, Y and Distance and returns 1. A ray parallel to the plane or pointing away from it gives
    // 0 and leaves the results unchanged; so do bad input and a singular `model` (both reported).
    int Hit(const float model[16]);
    // As Hit, and the point must also lie in the half-open rectangle of `area` (X < x <= X + Width,
    // Y < y <= Y + Height, the rule of every widget's Select): a panel's backing frame, for example.
    int Hit(const float model[16], const VR_Tools& area);

    // Of `count` panels, each placed by models[i] and bounded by areas[i] (null: the whole plane),
    // the index of the one hit nearest to Origin, with X, Y and Distance of that hit; -1 when none is
    // hit (results unchanged). Of equally near panels the first wins.
    int Nearest(int count, const float* const models[], const VR_Tools* const areas[]);

    // Inverts the 4 x 4 matrix `m` into `out` (they may be the same array). 1 on success; 0 and `out`
    // unchanged when `m` is singular or not finite (not reported: the caller decides).
    static int Matrix_Invert(const float m[16], float out[16]);
};
