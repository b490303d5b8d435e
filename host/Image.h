#pragma once
// An image component: shows a copy of a picture, centred and scaled to fit
// with its proportions kept.
#include "Picture.h"

#include <QWidget>

namespace ostan {

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* Parent = nullptr);

    // Copies Source's graphic (null: empty).
    void SetPicture(const TPicture* Source);
    const TPicture& Picture() const { return Shown; }

protected:
    void paintEvent(QPaintEvent* E) override;

private:
    TPicture Shown;
};

} // namespace ostan
