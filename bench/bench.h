// Benchmark harness shared declarations: counters, the panel in its implementations, captions.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// [SECTION] Counters ---------------------------------------------------------------------------

// What a stretch of frames cost besides time. Heap allocations are those of the main thread
// (malloc, calloc, realloc, and operator new through them); driver worker threads are not counted.
struct Counts {
    long draws = 0;            // draw calls (glDrawArrays, glDrawElements and their variants) and glBegin
    long buffer_uploads = 0;   // glBufferData and glBufferSubData calls
    long texture_uploads = 0;  // glTexImage2D and glTexSubImage2D calls
    long sub_uploads = 0;      // glBufferSubData and glTexSubImage2D calls: updates of part of an object
    long heap = 0;             // heap allocations
    long heap_own = 0;         // those made by the implementation's own code (attribution runs only)
    long bytes_sent = 0;       // bytes through buffer and texture uploads, and client-array streams
    long draw_ns = 0;          // time inside the array draw calls (glBegin's work is spread to glEnd: not timed)
    long immediate = 0;        // glBegin calls
};
Counts operator-(const Counts& a, const Counts& b);

// Swaps GLEW's buffer entry points for counting ones. Needs the context current and GLEW ready.
void Counters_Install();
// From now on glBufferSubData copies its bytes and returns without reaching the driver: Mesa's
// noop driver (22.3) corrupts a buffer's references when one it has drawn from is updated in part,
// and draws nothing from it anyway. For timing without a rasteriser only.
void Buffer_Updates_Drop();
// The running totals.
Counts Counters_Now();
// Client-array data a peer hands to GL per draw (the buffer wrappers cannot see it).
void Stream_Bytes_Add(long bytes);
// While on, every heap allocation of the main thread is attributed by its call stack: to the
// implementation when the nearest caller outside the C and C++ runtimes is the executable or a
// vrtools library, to the driver otherwise. Slow: never on while timing.
void Heap_Attribution(bool on);

// A hook that sees every counted GL call by name, for the call-sequence check. Null: none.
using Call_Hook = void (*)(const char* name, const double* args, int count);
extern Call_Hook call_hook;

// [SECTION] Panel layout -----------------------------------------------------------------------

// One scene unit per pixel on a SURFACE_W x SURFACE_H surface, y upward. Rows of a label, a push
// button and a slider, ROWS_PER_COLUMN to a column, columns side by side (in bands above and below
// the surface past COLUMNS_PER_BAND); columns past the surface are drawn all the same (and clipped
// by GL), so that every implementation submits every row.
constexpr int SURFACE_W = 1920;
constexpr int SURFACE_H = 1080;
constexpr int ROWS_PER_COLUMN = 28;
constexpr int ROW_PITCH = 36;
constexpr int COLUMN_W = 480;
constexpr int ROW_H = 24;
// Columns side by side within a short's reach of scene units; more go into bands BAND_H apart.
constexpr int COLUMNS_PER_BAND = (32000 - 20) / COLUMN_W;
constexpr int BAND_H = ROWS_PER_COLUMN * ROW_PITCH + 64;
constexpr int BEVEL = 3;
constexpr int FONT_SIZE = 14;  // pixels per em
constexpr const char* FONT_NAME = "DejaVu Sans";
constexpr const char* FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* READOUT_FORMAT = "%.2f";
constexpr float VALUE_MIN = 0.0f;
constexpr float VALUE_MAX = 100.0f;
constexpr int READOUT_FONT_SIZE = 8;  // the slider's read-out is rasterised at this size

struct Box {
    int x = 0, y = 0, w = 0, h = 0;  // lower-left corner and size, scene units
    float Centre_X() const { return static_cast<float>(x) + 0.5f * static_cast<float>(w); }
    float Centre_Y() const { return static_cast<float>(y) + 0.5f * static_cast<float>(h); }
};

struct Row {
    Box label, button, slider;
    std::string label_text, button_text, slider_text;
    float value = 0.0f;
    bool live = true;  // the live scenario changes this row's slider value every frame
};

std::vector<Row> Layout(int rows);
// Width of the whole panel in scene units (the last column included).
int Panel_Width(int rows);

// The pointer path of the hover sweep: the centre of every button and slider in turn.
std::vector<Box> Hover_Targets(const std::vector<Row>& rows);
// The pointer path of the drag: x positions sweeping across the inner width of row 0's slider and
// back; one period.
std::vector<float> Drag_Path(const Row& row);
// Marks `percent` % of the rows live, spread evenly over the panel (every row at 100).
void Live_Choose(std::vector<Row>& rows, int percent);
// The value row `row` shows at step `step` of the live scenario: inside the range, and two decimals
// apart from the step before, so that its read-out changes every frame. Like a telemetry feed's
// values, it rarely repeats a recent text.
float Live_Value(int row, int step);

// [SECTION] The implementations ---------------------------------------------------------

enum class Scenario { STEADY, HOVER, DRAG, INIT, LIVE };
const char* Scenario_Name(Scenario s);

// One implementation of the panel. Frame() issues one frame's CPU work for the scenario at step
// `step` of its pointer path, up to (not including) the glFinish that the harness times apart.
class Panel {
public:
    virtual ~Panel() = default;
    virtual const char* Name() const = 0;
    // The host's own data for these rows (names, values, pointer paths), untimed. `rows` must
    // outlive the panel's use of it.
    virtual void Setup(const std::vector<Row>& rows) = 0;
    // Builds the panel (untimed for the frame scenarios; the INIT scenario times Build and the
    // first Frame together). Afterwards the panel is in the state of scenario `s` at step 0.
    virtual void Build(Scenario s) = 0;
    virtual void Frame(Scenario s, int step) = 0;
    virtual void Destroy() = 0;
    // CPU microseconds of the last Build spent in a batch's own Init; negative without a batch.
    virtual double Batch_Init_Us() const { return -1.0; }
    // False for a scenario the implementation cannot run as it is meant.
    virtual bool Runs(Scenario) const { return true; }
};

std::unique_ptr<Panel> Make_Vrtools();
// The same widgets drawn through one VR_Batches (explicit matrices and light outside a
// compatibility context).
std::unique_ptr<Panel> Make_Batch();
// The same batch with its text drawn as glyph quads from the shared distance-field atlas.
std::unique_ptr<Panel> Make_Sharp();
// The raw reference: the GL calls of the vrtools panel's passes, issued from buffers and bitmaps it
// prepared from a private vrtools panel, with no library code between them.
std::unique_ptr<Panel> Make_Raw();
// Dear ImGui with its OpenGL2 backend, or with `core` its OpenGL3 backend (GLSL 330 core).
std::unique_ptr<Panel> Make_Imgui(bool core);

// The caption reference of the INIT scenario: the panel's strings rendered by FreeType into memory.
class Captions {
public:
    ~Captions();
    bool Open(std::string* error);
    // Renders every caption of `rows` at FONT_SIZE and every read-out at READOUT_FONT_SIZE into
    // alpha bitmaps in memory; returns a checksum so that the work cannot be optimised away.
    unsigned long Render(const std::vector<Row>& rows);

private:
    struct State;
    State* state_ = nullptr;
};

// Frame set-up common to every implementation: clears colour and depth, sets the one-unit-per-pixel
// projection, the default light (both in a compatibility context only) and the depth test.
void Frame_Begin();

}  // namespace bench
