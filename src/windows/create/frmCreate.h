#pragma once

#include "desktop/AppEnvironment.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QComboBox;
class QLineEdit;
class RequestSender;
class frmCreate;

namespace Ui {
class frmCreate;
}

// Opens a fresh creation window: modeless, without an owner, at most one at a time, focus in
// the identifier box. current is the program's one reference to it; it turns null when the
// window closes (the window deletes itself).
frmCreate *openCreateWindow(QPointer<frmCreate> &current, RequestSender &sender,
                            const AppEnvironment &env);

// The window in which the operator types a new tracking job. It holds nothing beyond its
// controls and goes away (deleting itself) on Cancel, on a valid Create, and as soon as
// another window of the program becomes active.
class frmCreate final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmCreate)

public:
    // sender must outlive the window.
    frmCreate(RequestSender &sender, AppEnvironment env, QWidget *parent = nullptr);
    ~frmCreate() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyLook();
    void Form_Load();
    void cmdRandom_Click();
    void cmdTime_Click();
    void cmdCreate_Click();
    void cmdCancel_Click();
    void Form_Deactivate();

    void checkActivation();
    bool ownsWindow(const QWidget *window) const;

    std::unique_ptr<Ui::frmCreate> m_ui;
    RequestSender &m_sender;
    AppEnvironment m_env;
    // Activation arrives late on some window systems: the main window's own activation from
    // the click that opened this window may come after it is shown. Only a window that has
    // been active can lose activation.
    bool m_beenActive = false;

    // Stream controls as arrays indexed by stream, 1 and 2 ([0] stays null), like the
    // object names txtPrimaryIP_1 and txtPrimaryIP_2.
    std::array<QLineEdit *, 3> txtPrimaryIP{};
    std::array<QLineEdit *, 3> txtPrimaryPort{};
    std::array<QLineEdit *, 3> txtBackupIP{};
    std::array<QLineEdit *, 3> txtBackupPort{};
    std::array<QLineEdit *, 3> txtChannelName{};
    std::array<QComboBox *, 3> cmbThreshold{};
};
