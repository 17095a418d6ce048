#include "CurveState.h"

#include <atomic>

namespace qm::browse {
namespace {

std::atomic<int> g_generation{0};

} // namespace

const SampleColumn* CurveSnapshot::ColumnOf(int axis) const
{
    if (!samples || axis < 0 || axis >= int(axisInfo.size()))
        return nullptr;
    return samples->Column(axisInfo[size_t(axis)].channelId);
}

QColor CurveSnapshot::ColourOf(int axis) const
{
    if (axis < 0 || axis >= int(colours.size()))
        return QColor(0, 0, 0);
    return colours[size_t(axis)];
}

QColor GeneratedCurveColour(int index)
{
    if (index < 0)
        return QColor(0, 0, 0);
    if (index < 3) {
        static const QColor first[3] = {QColor(0, 0, 255), QColor(255, 0, 0), QColor(0, 255, 0)};
        return first[index];
    }
    const QColor base = GeneratedCurveColour(index - 3);
    int r = base.red();
    int g = base.green();
    int b = base.blue();
    switch (index % 3) {
    case 0: r = (r + 75) & 0xFF; break;
    case 1: g = (g + 75) & 0xFF; break;
    default: b = (b + 75) & 0xFF; break;
    }
    return QColor(r, g, b);
}

int NextRenderGeneration()
{
    int current = g_generation.load();
    int next;
    do {
        next = current + 1 > 1000 ? 0 : current + 1;
    } while (!g_generation.compare_exchange_weak(current, next));
    return next;
}

int CurrentRenderGeneration() { return g_generation.load(); }

void SetRenderGeneration(int generation) { g_generation.store(generation); }

} // namespace qm::browse
