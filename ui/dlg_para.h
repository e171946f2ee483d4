#pragma once
#include <QDialog>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class CSettings;
class QLabel;
class QSpinBox;

// An IPv4 address as four octets, each 0 to 255; it cannot hold anything
// else, so it needs no message. The address is kept first octet in the
// lowest byte, as in the settings.
class CIpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit CIpAddressEdit(QWidget* parent = nullptr);
    uint32_t Address() const;
    void SetAddress(uint32_t ip);
    QSpinBox* Octet(int i) const { return m_octets[static_cast<size_t>(i)]; }

private:
    std::vector<QSpinBox*> m_octets;
};

// The machine settings dialog ("机器设置"): the machine parameters kept in
// the controller, the INI preferences, the hot folder, and the parameter
// block saved to or restored from a ".vxp" file. The drive parameters and the
// controller's address are locked behind an access code. OK asks the worker
// thread in charge to send the block to the controller.
class CDlgPara : public QDialog {
    Q_OBJECT
public:
    // The controls' ids: the operator's manual and the tests name them so.
    enum : int {
        IDOK_BUTTON = 1,
        IDCANCEL_BUTTON = 2,
        IDC_HOT_FOLDER_PATH = 160,
        IDC_HEAD1 = 1000,
        IDC_HEAD2 = 1001,
        IDC_BIDIRECTIONAL = 1002,
        IDC_AUTO_CLEAN = 1003,
        IDC_WIDE_MODE = 1005,
        IDC_AUTO_START = 1006,
        IDC_CARTRIDGE1_ON_RIGHT = 1007,
        IDC_SAVE_PARAMS = 1028,
        IDC_RESTORE_PARAMS = 1029,
        IDC_ADVANCED = 1031,
        IDC_HOT_FOLDER = 1032,
        IDC_X_SCALE = 1101,
        IDC_Y_SCALE = 1102,
        IDC_HEAD2_POSITION = 1103,
        IDC_BIDIR_CORRECTION = 1104,
        IDC_HEAD_OVERLAP = 1105,
        IDC_PAGE_WIDTH = 1107,
        IDC_MACHINE_LENGTH = 1108,
        IDC_LINE_WIDTH = 1109,
        IDC_START_OFFSET = 1110,
        IDC_JOB_GAP = 1114,
        IDC_MAX_SPEED = 1115,
        IDC_FEED_PULSES = 1116,
        IDC_IDLE_DISTANCE = 1117,
        IDC_PLOTTER_IP = 1118,
        IDC_RESOLUTION = 1119,
        IDC_START_SPEED = 1120,
        // Where the TCP link connects (our own INI keys).
        IDC_CONTROLLER_IP = 1121,
        IDC_CONTROLLER_PORT = 1122,
    };

    explicit CDlgPara(QWidget* parent = nullptr);

    QWidget* Control(int id) const;

    // The controls from g_settings; while connected the controller's block
    // is copied into the settings first.
    void RefillFromSettings();

    // The commands (public for the tests).
    void OnHead(int id);
    void OnAdvanced();
    void OnSaveParams();
    void OnRestoreParams();
    void OnHotFolder();
    // OK: every field checked in the designed order, then into g_settings.
    void accept() override;

    // The hot folder as chosen in this dialog (ends with '/').
    QString m_dlgHotFolder;

    // Seams for the tests: the file dialogs' answer and the folder browser's
    // (empty: cancelled).
    std::function<QString(const QString& title, bool save, const QString& filter)> m_chooseFile;
    std::function<QString(const QString& title)> m_chooseFolder;

private:
    enum class Kind { Check, Signed, Unsigned, Double, Address, Head };
    struct Field {
        int id;
        Kind kind;
        std::atomic<int> CSettings::*member;  // the integer kinds' member, else null
    };
    void CreateControls();
    void LayOut();
    void ShowSettings();
    void ShowHotFolder();
    // A field's value, or its message shown and false.
    bool TakeInteger(const Field& field, int& value);
    bool TakeDouble(const Field& field, double& value);
    QString ChooseFile(const QString& title, bool save);

    std::vector<Field> m_fields;  // in the order they are checked
    std::map<int, QWidget*> m_controls;
    std::map<int, QLabel*> m_labels;
};
