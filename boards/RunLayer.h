#pragma once
// The run's layer over the board: the indicator lamps beside their terminals and the plate that reports
// the run ("运行中  1.25 s  实时"). It lies above the guide and lets every mouse event through; the run hides
// the guide's own plate meanwhile, and shows it again as it was when the run ends.
#include <QList>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <map>
#include <string>

class BoardForm;

namespace boards {

class BoardArea;

class RunLayer : public QWidget {
    Q_OBJECT
public:
    RunLayer(BoardForm& form, QList<QPair<QString, QRect>> lamps);
    ~RunLayer() override;

    // Lamp brightness by terminal name (0 … 1); lamps not named are dark.
    void setLamps(const std::map<std::string, double>& lamps);
    void setPlate(const QString& text, bool warning);
    QString plate() const { return plate_; }
    double lamp(const QString& name) const;
    // Where the lamp of a terminal is drawn (board-area coordinates).
    static QRect lampRect(const QRect& terminal);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A plain widget pointer: while the form is destroyed the area is no longer a BoardArea to cast to.
    QPointer<QWidget> area_;
    const BoardArea* area() const;
    QList<QPair<QString, QRect>> lamps_;
    QList<double> brightness_;
    QString plate_;
    bool warning_ = false;
    QRect plateSpace_;
};

} // namespace boards
