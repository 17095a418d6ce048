#pragma once
// The curve attributes dialog ("曲线属性"): the axis range and colour of each
// channel of a curve control and the control's background. The owner opens it
// with the control and its channel table and redraws after OK.
#include <QColor>
#include <QDialog>
#include <vector>

class QAbstractItemModel;
class QComboBox;
class QLineEdit;

namespace qm::browse {

class CCustomGraph;
class CColourSwatch;

class CSelectCurve : public QDialog {
    Q_OBJECT
public:
    // `table`: one row per axis index; column 0 gives the text and, as user
    // data, the channel id.
    CSelectCurve(CCustomGraph* graph, const QAbstractItemModel* table, QWidget* parent = nullptr);
    ~CSelectCurve() override;

    enum ColourEdit { kBackgroundR, kBackgroundG, kBackgroundB, kCurveR, kCurveG, kCurveB };

    QComboBox* ChannelCombo() const { return m_channel; }
    QLineEdit* UpperEdit() const { return m_upper; }
    QLineEdit* LowerEdit() const { return m_lower; }
    QLineEdit* ColourEditOf(ColourEdit which) const { return m_rgb[which]; }
    QColor BackgroundColour() const { return m_background; }
    QColor CurveColour() const;   // of the selected channel

    // OK: applies and closes; stays open when the edits are refused.
    void OnBnClickedOk();
    // A swatch click: the colour chooser for the background or the curve.
    void ChooseColour(bool background);

private:
    void OnChannelChanged(int index);
    void OnColourEdited(ColourEdit which);
    bool ReadRange(double* upper, double* lower) const;
    void ShowChannel(int index);
    void ShowColour(bool background);

    CCustomGraph* m_graph;
    QComboBox* m_channel = nullptr;
    QLineEdit* m_upper = nullptr;
    QLineEdit* m_lower = nullptr;
    QLineEdit* m_rgb[6] = {};
    CColourSwatch* m_backgroundSwatch = nullptr;
    CColourSwatch* m_curveSwatch = nullptr;

    std::vector<double> m_uppers;
    std::vector<double> m_lowers;
    std::vector<QColor> m_colours;
    QColor m_background;
    int m_current = -1;
    bool m_rewriting = false;
};

} // namespace qm::browse
