// Draws the application icon: a sensor tube seen from the side with a red status lamp.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        return 2;
    }
    const int size = 128;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // Rounded plate.
    QLinearGradient plate(0, 0, 0, size);
    plate.setColorAt(0, QColor(70, 96, 128));
    plate.setColorAt(1, QColor(34, 50, 72));
    painter.setPen(QPen(QColor(20, 30, 44), 3));
    painter.setBrush(plate);
    painter.drawRoundedRect(QRectF(6, 6, size - 12, size - 12), 22, 22);

    // Two tubes.
    for (const int x : {30, 66}) {
        QLinearGradient glass(x, 0, x + 32, 0);
        glass.setColorAt(0, QColor(180, 210, 230));
        glass.setColorAt(0.4, QColor(245, 250, 255));
        glass.setColorAt(1, QColor(150, 180, 205));
        painter.setPen(QPen(QColor(40, 60, 80), 2));
        painter.setBrush(glass);
        QPainterPath tube;
        tube.addRoundedRect(QRectF(x, 22, 32, 78), 14, 14);
        painter.drawPath(tube);
        // Sensor bands.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(60, 80, 100, 170));
        for (int band = 0; band < 4; ++band) {
            painter.drawRect(QRectF(x + 2, 34 + band * 15, 28, 4));
        }
    }

    // Status lamp in the lower right.
    QRadialGradient lamp(QPointF(98, 96), 20, QPointF(92, 90));
    lamp.setColorAt(0, QColor(255, 230, 230));
    lamp.setColorAt(0.35, QColor(255, 40, 40));
    lamp.setColorAt(1, QColor(140, 0, 0));
    painter.setPen(QPen(QColor(90, 90, 90), 2));
    painter.setBrush(lamp);
    painter.drawEllipse(QPointF(98, 98), 17, 17);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
