#pragma once
// A label whose one line of text runs across it from the right edge to the left, over and over:
// the path of the music a reminding note plays.
#include "toolkit/MerlaLabel.h"

class MerlaLabelAnimate : public MerlaLabel {
public:
    static constexpr UINT_PTR kScrollTimer = 60004;
    static constexpr UINT kScrollTickMs = 30;
    // Time the text takes from entering at the right edge to leaving at the left.
    static constexpr int kScrollCycleMs = 10000;

    MerlaLabelAnimate();

    LSurface RenderContent() override;
    void OnTimer(UINT_PTR timer_id) override;
    void OnDestroy() override;

    // Measures the current text and starts from the right edge.
    void StartScrolling();
    void StopScrolling();
    bool IsScrolling() const { return scrolling_; }
    // Advances the scrolling by ms as one timer tick does; redraws when the text moved.
    void Step(int ms);

    // How far the text has moved left from the right edge, 0..Travel().
    int Offset() const { return offset_; }
    // Text width plus client width, as measured by the last StartScrolling.
    int Travel() const { return travel_; }

private:
    std::wstring Text() const;

    bool scrolling_ = false;
    int elapsed_ms_ = 0;
    int offset_ = 0;
    int travel_ = 0;
};
