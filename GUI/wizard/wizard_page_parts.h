// Pieces both wizard device pages are made of: the level slider and the oscilloscope.
#pragma once

class OSCI;
class QSlider;
class QWidget;

// A horizontal slider over the mixer's 0..65535, named "Volume", stepping in whole percents
// with the arrow keys and in tenths with Page Up/Down. GUI thread.
QSlider* MakeVolumeSlider(QWidget* parent);
// An oscilloscope in the panel's signal colours. GUI thread.
OSCI* MakeScope(QWidget* parent);
