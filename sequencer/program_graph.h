// The window "Grafico del programma": the step program as eight lanes over
// time, owned by the main window. It follows the editor (the main window
// tells it of every edit), selects steps in it, and marks the step a run is
// playing from a timer of its own, never from the run's wait.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "com/win_handles.h"
#include "com/window_base.h"
#include "sequencer/program_graph_layout.h"
#include "sequencer/step_program.h"

namespace quelmar {

// What one picture of the timeline shows.
struct GraphScene {
    graph::Geometry geometry;
    graph::View view;
    std::vector<graph::StepSpan> spans;
    const TestataRec* header = nullptr;  // the bit descriptions label the lanes
    int selected = 0;                    // the editor's step, highlighted
};

// Draws the scene (without the run cursor) on `dc`, over the scene's whole geometry.
void PaintTimeline(HDC dc, const GraphScene& scene);

class ProgramGraph : public com::WindowBase<ProgramGraph> {
public:
    // A click or a key chose `step`.
    using SelectStep = std::function<void(int step)>;
    // The step a run is playing; 0 when none is.
    using PlayingStep = std::function<int()>;

    ProgramGraph(HINSTANCE instance, HWND owner, const SequencerState& state, SelectStep select, PlayingStep playing);
    // Destroys a window still open, without the closing effect.
    ~ProgramGraph();
    ProgramGraph(const ProgramGraph&) = delete;
    ProgramGraph& operator=(const ProgramGraph&) = delete;

    // Loads the window (opening effect) the first time, and brings it forward.
    bool Show();
    // The window is Handle(), null once it has closed.

    // The program or the editor's step changed: the picture follows.
    void ProgramChanged();
    // The view, the layout and the run cursor as they are now.
    const GraphScene& Scene() const { return scene_; }
    int CursorStep() const { return cursor_; }
    // Puts the picture as it shows, cursor included, on the clipboard as a bitmap.
    bool CopyToClipboard();

    // The timer that reads the playing step: about 30 times a second.
    static constexpr UINT_PTR kCursorTimer = 1;
    static constexpr UINT kCursorPeriod = 34;  // ms

private:
    friend class com::WindowBase<ProgramGraph>;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnSize(int width, int height);
    void OnTimer(UINT_PTR id);
    void OnClick(int x, int y);
    void OnKey(WPARAM key);
    void OnChar(WPARAM key);
    void OnMouseWheel(int delta, POINT screen);
    void OnScroll(WORD request);
    void OnClose();
    void OnDestroy();
    void OnNcDestroy();
    void Zoom(double factor, POINT client);
    // The pointer in client coordinates when it is over the plot, else the plot's middle.
    POINT ZoomPoint() const;

    void Refit();
    void SetView(const graph::View& v);
    void UpdateScrollBar();
    // Draws the scene into the cached picture when it is out of date.
    void Render();
    // The cached picture with the cursor on it, into `dc` over `area`.
    void Compose(HDC dc, const RECT& area);
    // Where the cursor at `step` stands in the client area; -1 when out of view.
    int CursorX(int step) const;
    // The strip of the client area the cursor at `step` covers.
    RECT CursorStrip(int step) const;

    HINSTANCE instance_;
    HWND owner_;
    const SequencerState& state_;
    SelectStep select_;
    PlayingStep playing_;

    GraphScene scene_;
    bool fitted_ = true;  // the view follows the program's length and the window's width
    int shownStep_ = 0;   // the editor's step at the last change
    int cursor_ = 0;
    com::GdiObject<HBITMAP> picture_;  // the scene, drawn once per change
    bool stale_ = true;
    bool closing_ = false;
};

}  // namespace quelmar
