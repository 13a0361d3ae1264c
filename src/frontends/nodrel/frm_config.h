#pragma once
// frmConfig: the configuration window. Draws the core's ConfigWindow and forwards its
// controls' events to it: every decision (fields, notes, Save, Restore, View Log) is the
// core's. Modal; the monitoring cycle pauses while it is open (Nodrel::DialogOpen), and
// the main window's tick closes it when Nodrel::DialogTimeout has run out.
#include <QDialog>
#include <array>
#include <functional>

#include "app/nodrel.h"
#include "ui/config_window.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QTimer;

namespace nodrel::qt {

class frmConfig : public QDialog {
    Q_OBJECT

public:
    // Save and Restore are for administrators only.
    frmConfig(Nodrel& program, bool isAdmin, QWidget* parent = nullptr);
    ~frmConfig() override;

    // Runs an event of the program that may show a message box or change the main
    // window (Close's re-initialisation, the end of the program, the home page); the main
    // window sets it so that it draws itself afterwards.
    std::function<void(const std::function<void()>&)> runEvent =
        [](const std::function<void()>& event) { event(); };

    // The buttons and the timers, as their events run them.
    void Save_Click();
    void Restore_Click();
    void ViewL_Click();
    void ExitConfig_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // Escape and the title bar's close button take the Close button's way out, unless the
    // program has already taken the window as closed (the tick's self-close).
    void reject() override;

    // What the window draws.
    const ConfigWindow& Model() const { return model_; }

private:
    // One row's controls, as kConfigRows describes them.
    struct RowControls {
        QLabel* caption = nullptr;
        QWidget* input = nullptr;
        QLabel* note = nullptr;
    };

    void BuildControls();
    void BuildRow(std::size_t row);
    void LayOut();
    // A section's heading before its first row; `line` is the grid's next line.
    void PlaceHeading(QGridLayout& grid, const ConfigRow& first, int& line);
    void PlaceRow(QGridLayout& grid, std::size_t row, int& line);
    void Connect();
    // The controls' values into the model, the model's event, then the model drawn.
    void Handle(const std::function<void()>& event);
    void TakeFields();
    void Draw();
    void DrawRow(std::size_t row);
    void Logo_Click();
    void CloseWindow();

    Nodrel& program_;
    ConfigWindow model_;
    bool closed_ = false;

    QLabel* TMessage = nullptr;
    QLabel* Status = nullptr;
    QWidget* Logo = nullptr;
    std::array<RowControls, kConfigRows.size()> rows_{};
    std::array<QPushButton*, kConfigButtons.size()> buttons_{};
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
};

}  // namespace nodrel::qt
