#include "scope/osci.h"

#include "scope/scope_columns.h"
#include "skin/skin_parser.h"
#include "skin/skin_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPolygon>

#include <chrono>

namespace {

class OsciAccessible : public QAccessibleWidget {
public:
    explicit OsciAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Animation) {}
};

QAccessibleInterface* OsciAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("OSCI") && object != nullptr && object->isWidgetType())
        return new OsciAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

int64_t SteadySeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

OSCI::OSCI(QWidget* parent) : QWidget(parent), clock_(SteadySeconds) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(OsciAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setAccessibleName(tr("Oscilloscope"));
    setAccessibleDescription(tr("Live trace of the sound signal"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    lastFlush_ = clock_();
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &OSCI::Tick);
}

OSCI::~OSCI() = default;

void OSCI::SetData(const int16_t* samples, int count) {
    if (samples == nullptr || count <= 0)
        return;
    std::lock_guard lock(mutex_);
    queue_.emplace_back(samples, samples + count);
}

bool OSCI::LoadSkin(CSkinParser& parser, const char* section, int index) {
    if (!parser.FindSection(section))
        return false;
    parser.SetKeyIndex(index);
    QPoint position = pos();
    QSize size = this->size();
    QRegion region = region_;
    QColor background = background_;
    QColor foreground = foreground_;
    bool hasPosition = false, hasSize = false, hasRegion = false;
    while (parser.NextAttribute()) {
        if (parser.GetPair("position", position))
            hasPosition = true;
        else if (parser.GetSize("size", size))
            hasSize = true;
        else if (parser.GetRegion("region", region))
            hasRegion = true;
        else if (parser.GetColor("color_background", background))
            continue;
        else
            parser.GetColor("color_foreground", foreground);
    }
    SetColors(background, foreground);
    PlaceSkinnedControl(*this, hasPosition ? &position : nullptr, hasSize ? &size : nullptr);
    if (hasRegion)
        SetRegion(region);
    return true;
}

void OSCI::SetColors(const QColor& background, const QColor& foreground) {
    background_ = background;
    foreground_ = foreground;
    update();
}

void OSCI::SetRegion(const QRegion& region) {
    region_ = region;
    ApplySkinRegion(*this, region_);
}

void OSCI::SetClock(SecondsClock clock) {
    clock_ = clock ? std::move(clock) : SecondsClock(SteadySeconds);
    lastFlush_ = clock_();
}

std::size_t OSCI::QueuedSamples() const {
    std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const auto& block : queue_)
        total += block.size();
    return total;
}

void OSCI::Tick() {
    update();
    const int64_t now = clock_();
    if (now - lastFlush_ > kFlushSeconds) {
        lastFlush_ = now;
        std::lock_guard lock(mutex_);
        queue_.clear();
    }
}

void OSCI::paintEvent(QPaintEvent*) {
    if (!timer_.isActive())
        timer_.start();
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    const int w = width();
    const int h = height() - 2;
    painter.setPen(QPen(foreground_, 0));
    painter.drawLine(0, h / 2, w, h / 2);

    std::vector<std::vector<int16_t>> blocks;
    {
        std::lock_guard lock(mutex_);
        blocks.swap(queue_); // the queue is empty from here on
    }
    std::vector<int16_t> samples;
    std::size_t total = 0;
    for (const auto& block : blocks)
        total += block.size();
    samples.reserve(total);
    for (const auto& block : blocks)
        samples.insert(samples.end(), block.begin(), block.end());
    lastFlush_ = clock_();
    if (samples.empty() || w <= 0)
        return;
    const std::vector<int> columns = scope::FitColumns(samples.data(), samples.size(), w);
    QPolygon trace;
    trace.reserve(w + 1);
    trace << QPoint(0, h / 2);
    for (int x = 0; x < w; ++x)
        trace << QPoint(x, scope::TraceY(columns[std::size_t(x)], h));
    painter.drawPolyline(trace);
}
