#pragma once
// What a curve picture is made of: the y axes, the drawn series, the shared
// samples, the visible range and the view flags. A snapshot of it is all a
// render needs; it is small (the samples are shared, never copied).
#include "SampleSeries.h"

#include <QColor>
#include <QStringList>
#include <memory>
#include <vector>

namespace qm::browse {

enum CurveMode { kModeShowData = 0, kModeZoom = 1, kModeDrag = 2 };

// One y axis.
struct COORYINFO {
    // The range before a zoom or drag changed it; −1.0 when nothing is saved.
    // `saved` tells whether one is, so a real top or bottom of −1.0 is kept too.
    double savedTop = -1.0;
    double savedBottom = -1.0;
    bool saved = false;
    double top = 0.0;
    double bottom = 0.0;
    double scale = 0.0;      // pixels per value unit of the last layout
    int channelId = 0;       // the owner's id of the channel: the value position it shows
};

// One drawn curve.
struct SERIEINFO {
    int axis = 0;
    QString upperAlarm;      // also the reference text of the channel's values
    QString lowerAlarm;
    QString reserved;        // stays empty
    QString unit;
    QString type;
};

// One sample as the owner sees it (the control keeps the numbers instead).
struct DATAINFO {
    int intervalFlag = 0;
    int interval = 0;        // minutes
    QDateTime time;
    QStringList values;      // per axis index; empty: no value
};

// One row of the owner's channel table for LoadAxes.
struct CurveAxisRow {
    int channelId = 0;
    bool ticked = true;
    QString upperAlarm;
    QString lowerAlarm;
    double top = 0.0;
    double bottom = 0.0;
    QString unit;
    QString type;
};

struct CurveSnapshot {
    QColor background = QColor(255, 255, 255);
    bool reticle = true;
    bool alarmLines = false;
    bool axes = true;
    int divisions = 4;
    int axisLimit = -1;      // −1: one y axis per series; 1: one shared axis
    int mode = kModeShowData;
    std::vector<QColor> colours;
    std::vector<COORYINFO> axisInfo;
    std::vector<SERIEINFO> series;
    std::shared_ptr<const SampleSeries> samples;
    int first = -1;          // visible sample indices, −1 = none
    int last = -1;
    bool rangeValid = false;
    qint64 start = 0;        // visible range, CurveSeconds
    qint64 end = 0;
    bool cursorInPlot = false;
    int cursorX = 0;
    int cursorY = 0;

    qsizetype SampleCount() const { return samples ? samples->Count() : 0; }
    // The column axis `axis` shows, or nullptr.
    const SampleColumn* ColumnOf(int axis) const;
    QColor ColourOf(int axis) const;
};

// Colour of axis index `index`: blue, red, green, then each of the three made
// from the one three places before it with 75 added to red, green or blue
// (byte arithmetic modulo 256).
QColor GeneratedCurveColour(int index);

// The render generation shared by every curve: incremented for each render,
// back to 0 after 1000.
int NextRenderGeneration();
int CurrentRenderGeneration();
// Test hook: sets the counter.
void SetRenderGeneration(int generation);

} // namespace qm::browse
