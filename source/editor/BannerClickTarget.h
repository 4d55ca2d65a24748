#pragma once

#include <functional>

#include <juce_gui_basics/juce_gui_basics.h>

namespace quarmont
{
/** An invisible component over the header banner; releasing a press that started on it, with
    any button and wherever the pointer is by then, runs onClick. */
class BannerClickTarget : public juce::Component
{
public:
    ~BannerClickTarget() override;

    void mouseUp (const juce::MouseEvent& event) override;

    std::function<void()> onClick;
};
} // namespace quarmont
