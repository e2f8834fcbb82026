// The calibration window, "Calibrate VELD / KRAN": the instructions of each step of the full
// calibration, the flashing attention sign while the technician is to act, Start and
// Cancel, and the green or red result. It shows; the guided calibration decides.
#pragma once

#include <QString>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace common {
class Indicator;
class Picture;
}  // namespace common

namespace corvid::calibration {

class CalibrateWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kFlashMs = 300;  // the attention sign's flashing
  // Left edge of the attention sign while the technician reads, and once Start is
  // pressed (1200 and 5000 twips).
  static constexpr int kAttentionLeft = 80;
  static constexpr int kAttentionStartedLeft = 333;

  explicit CalibrateWindow(QWidget* parent = nullptr);

  // A step begins: shows the window (afresh if it was closed) with the step's text.
  void PrepareStep(const QString& instructions, bool start_enabled);
  void ShowInstructions(const QString& instructions);
  void ShowReport(bool passed);
  // Closes without counting as Cancel.
  void CloseStep();

  QString Instructions() const;  // the instructions as the technician reads them
  QTimer* FlashTimer() const { return flash_timer_; }

 signals:
  void StartClicked();
  // Cancel, or the window closed while a step was in progress.
  void CancelClicked();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Once the result is in, Enter and Escape answer its "Done" / "Error" button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Reset();
  void Flash();
  void SetInstructions(const QString& instructions);
  void SetCancelCaption(const QString& caption);

  QGroupBox* status_frame_ = nullptr;
  common::Indicator* status_lamp_ = nullptr;
  QLabel* status_label_ = nullptr;
  QWidget* attention_row_ = nullptr;
  QLabel* attention_label_ = nullptr;
  common::Picture* attention_picture_ = nullptr;
  QLabel* instructions_label_ = nullptr;
  QPushButton* start_button_ = nullptr;
  QPushButton* cancel_button_ = nullptr;
  QTimer* flash_timer_ = nullptr;
  bool flash_on_ = false;
  bool closing_quietly_ = false;
  bool reported_ = false;
};

}  // namespace corvid::calibration
