#include "CSelectCurve.h"

#include "CCustomGraph.h"
#include "MessageSeam.h"
#include "SampleValue.h"
#include "Strings.h"

#include <QAbstractItemModel>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

namespace qm::browse {

// A colour sample: an outlined rectangle filled with the colour; a click asks
// for another colour.
class CColourSwatch : public QWidget {
public:
    CColourSwatch(std::function<QColor()> colour, std::function<void()> clicked, QWidget* parent)
        : QWidget(parent), m_colour(std::move(colour)), m_clicked(std::move(clicked))
    {
        setMinimumSize(48, 22);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QColor(0, 0, 0));
        painter.setBrush(m_colour());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_clicked();
    }

private:
    std::function<QColor()> m_colour;
    std::function<void()> m_clicked;
};

namespace {

int Byte(const QColor& colour, int byte) { return byte == 0 ? colour.red() : byte == 1 ? colour.green() : colour.blue(); }

void SetByte(QColor& colour, int byte, int value)
{
    if (byte == 0)
        colour.setRed(value);
    else if (byte == 1)
        colour.setGreen(value);
    else
        colour.setBlue(value);
}

} // namespace

CSelectCurve::CSelectCurve(CCustomGraph* graph, const QAbstractItemModel* table, QWidget* parent)
    : QDialog(parent), m_graph(graph)
{
    setWindowTitle(Msg(5815));
    m_channel = new QComboBox(this);
    m_channel->setObjectName(QStringLiteral("channel"));
    m_upper = new QLineEdit(this);
    m_upper->setObjectName(QStringLiteral("upper"));
    m_lower = new QLineEdit(this);
    m_lower->setObjectName(QStringLiteral("lower"));
    static const char* const names[6] = {"backgroundR", "backgroundG", "backgroundB", "curveR", "curveG", "curveB"};
    for (int i = 0; i < 6; ++i) {
        m_rgb[i] = new QLineEdit(this);
        m_rgb[i]->setObjectName(QLatin1String(names[i]));
        m_rgb[i]->setMaxLength(3);
        m_rgb[i]->setMaximumWidth(48);
        connect(m_rgb[i], &QLineEdit::textChanged, this, [this, i] { OnColourEdited(ColourEdit(i)); });
    }
    m_backgroundSwatch = new CColourSwatch([this] { return m_background; }, [this] { ChooseColour(true); }, this);
    m_backgroundSwatch->setObjectName(QStringLiteral("backgroundSwatch"));
    m_curveSwatch = new CColourSwatch([this] { return CurveColour(); }, [this] { ChooseColour(false); }, this);
    m_curveSwatch->setObjectName(QStringLiteral("curveSwatch"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Msg(140), this), 0, 0);
    grid->addWidget(m_channel, 0, 1, 1, 7);
    grid->addWidget(new QLabel(Msg(5816), this), 1, 0);
    grid->addWidget(m_upper, 1, 1, 1, 7);
    grid->addWidget(new QLabel(Msg(5817), this), 2, 0);
    grid->addWidget(m_lower, 2, 1, 1, 7);
    const auto colourRow = [&](int row, int text, CColourSwatch* swatch, int firstEdit) {
        grid->addWidget(new QLabel(Msg(text), this), row, 0);
        grid->addWidget(swatch, row, 1);
        for (int b = 0; b < 3; ++b) {
            grid->addWidget(new QLabel(Msg(5822 + b), this), row, 2 + 2 * b);
            grid->addWidget(m_rgb[firstEdit + b], row, 3 + 2 * b);
        }
    };
    colourRow(3, 5819, m_backgroundSwatch, kBackgroundR);
    colourRow(4, 5820, m_curveSwatch, kCurveR);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelectCurve::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    // The dialog works on copies; they reach the control on a channel change and on OK.
    m_background = graph->Background();
    const int rows = table ? table->rowCount() : 0;
    for (int r = 0; r < rows; ++r) {
        const QModelIndex cell = table->index(r, 0);
        m_channel->addItem(cell.data(Qt::DisplayRole).toString(), cell.data(Qt::UserRole));
        const bool hasAxis = r < int(graph->Axes().size());
        m_uppers.push_back(hasAxis ? graph->Axes()[size_t(r)].top : 0.0);
        m_lowers.push_back(hasAxis ? graph->Axes()[size_t(r)].bottom : 0.0);
        m_colours.push_back(graph->GetCurveColour(r));
    }
    ShowColour(true);
    if (rows > 0) {
        m_channel->setCurrentIndex(0);
        ShowChannel(0);
    } else {
        m_channel->setCurrentIndex(-1);
    }
    connect(m_channel, &QComboBox::currentIndexChanged, this, &CSelectCurve::OnChannelChanged);
}

CSelectCurve::~CSelectCurve() = default;

QColor CSelectCurve::CurveColour() const
{
    return m_current >= 0 && m_current < int(m_colours.size()) ? m_colours[size_t(m_current)] : QColor(0, 0, 0);
}

bool CSelectCurve::ReadRange(double* upper, double* lower) const
{
    bool okUpper = false;
    bool okLower = false;
    *upper = QLocale::c().toDouble(m_upper->text().trimmed(), &okUpper);
    *lower = QLocale::c().toDouble(m_lower->text().trimmed(), &okLower);
    if (!okUpper || !okLower) {
        ShowMessage(5821);
        (okUpper ? m_lower : m_upper)->setFocus();
        return false;
    }
    if (*lower > *upper) {
        ShowMessage(162);
        m_lower->setFocus();
        return false;
    }
    return true;
}

void CSelectCurve::ShowColour(bool background)
{
    const QColor colour = background ? m_background : CurveColour();
    const int first = background ? kBackgroundR : kCurveR;
    m_rewriting = true;
    for (int b = 0; b < 3; ++b)
        m_rgb[first + b]->setText(QString::number(Byte(colour, b)));
    m_rewriting = false;
    (background ? m_backgroundSwatch : m_curveSwatch)->update();
}

void CSelectCurve::ShowChannel(int index)
{
    m_current = index;
    m_upper->setText(QString::asprintf("%.1f", m_uppers[size_t(index)]));
    m_lower->setText(QString::asprintf("%.1f", m_lowers[size_t(index)]));
    ShowColour(false);
}

void CSelectCurve::OnChannelChanged(int index)
{
    if (m_current >= 0 && index != m_current) {
        double upper = 0;
        double lower = 0;
        if (!ReadRange(&upper, &lower)) {
            const QSignalBlocker block(m_channel);
            m_channel->setCurrentIndex(m_current);
            return;
        }
        const size_t previous = size_t(m_current);
        m_uppers[previous] = upper;
        m_lowers[previous] = lower;
        m_graph->SetAxisRange(m_channel->itemData(m_current).toInt(), m_current, upper, lower);
        m_graph->SetCurveColour(m_colours[previous], m_current);
    }
    if (index >= 0)
        ShowChannel(index);
}

void CSelectCurve::OnColourEdited(ColourEdit which)
{
    if (m_rewriting)
        return;
    QLineEdit* edit = m_rgb[which];
    const int number = int(LeadingNumber(edit->text()));
    const int value = number <= 0 ? 0 : (number > 254 ? 255 : number);
    const QString text = QString::number(value);
    if (edit->text() != text) {
        m_rewriting = true;
        edit->setText(text);
        m_rewriting = false;
    }
    edit->setCursorPosition(int(text.size()));
    const bool background = which <= kBackgroundB;
    const int byte = background ? which - kBackgroundR : which - kCurveR;
    if (background) {
        SetByte(m_background, byte, value);
        m_backgroundSwatch->update();
    } else if (m_current >= 0) {
        SetByte(m_colours[size_t(m_current)], byte, value);
        m_curveSwatch->update();
    }
}

void CSelectCurve::ChooseColour(bool background)
{
    if (!background && m_current < 0)
        return;
    const QColor chosen = QColorDialog::getColor(background ? m_background : CurveColour(), this);
    if (!chosen.isValid())
        return;
    if (background)
        m_background = QColor(chosen.red(), chosen.green(), chosen.blue());
    else
        m_colours[size_t(m_current)] = QColor(chosen.red(), chosen.green(), chosen.blue());
    ShowColour(background);
}

void CSelectCurve::OnBnClickedOk()
{
    if (m_channel->currentIndex() < 0) {
        m_graph->SetBackground(m_background);
        accept();
        return;
    }
    double upper = 0;
    double lower = 0;
    if (!ReadRange(&upper, &lower))
        return;
    const int index = m_channel->currentIndex();
    m_uppers[size_t(index)] = upper;
    m_lowers[size_t(index)] = lower;
    if (m_graph->AxisLimit() == 1) {
        // One shared axis: its range is every axis's range.
        for (int i = 0; i < int(m_graph->Axes().size()); ++i)
            m_graph->SetAxisRange(m_graph->Axes()[size_t(i)].channelId, i, upper, lower);
    } else {
        m_graph->SetAxisRange(m_channel->itemData(index).toInt(), index, upper, lower);
    }
    m_graph->SetCurveColour(m_colours[size_t(index)], index);
    m_graph->SetBackground(m_background);
    accept();
}

} // namespace qm::browse
