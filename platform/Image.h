#pragma once
// The picture component of the windows and panels: holds its own copy of a
// TPicture and paints it at its top left corner, unscaled, or, with Stretch,
// scaled to fit (Proportional keeps its proportions, Center centres it).
// The scan copies the pictures of the images named "MainImage",
// "ConnectionBLD4" and "ConnectionBLD5" out of a panel.
#include "Picture.h"

#include <QWidget>

namespace ostan {

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* Parent = nullptr);

    const TPicture& Picture() const { return FPicture; }
    void SetPicture(const TPicture& P);
    void SetPicture(const TPicture* P); // nullptr: no picture
    // Decodes JPEG data (raises EJpegError, keeping the old picture).
    void LoadFromJpeg(const QByteArray& Data);
    // The same from a file, a resource path (":/<Library>/...") included;
    // raises std::runtime_error naming a file that cannot be read.
    void LoadFromJpegFile(const QString& Path);

    QSize sizeHint() const override;

    bool Stretch = false;
    bool Proportional = false;
    bool Center = false;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    TPicture FPicture;
};

} // namespace ostan
