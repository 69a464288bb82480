#pragma once

#include "orvex_sdk.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace camera {
struct BulkStep;
struct Setting;
struct Texts;
enum class Key : int;
enum class Run;
} // namespace camera

QT_BEGIN_NAMESPACE
class QComboBox;
class QDialog;
class QSlider;
class QTimer;
class Ui_MainWindow;
QT_END_NAMESPACE

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

private slots:
    void ResetParamsUser();
    void ResetParamsIA();
    void ApplyParamsUser();
    void ApplyParamsExpert();
    void ReadParamsExpert();
    void ApplyNucRequest();
    void ApplyParamsIA();
    void ReadParamsIA();
    void TabIndexChanged(int index);
    void GammaUserValueChanged(double value);
    void ClheUserValueChanged(double value);
    void SharpeningUserValueChanged(double value);
    void GSKExpertValueChanged(double value);
    void GFIDExpertValueChanged(double value);
    void GMSExpertValueChanged(double value);
    void TINTExpertValueChanged(double value);
    void NbBoxesValueChanged(int value);
    void IASensitivityValueChanged(int value);
    void InterOUValueChanged(int value);
    void GammaUserSliderChanged(int value);
    void ClheUserSliderChanged(int value);
    void SharpeningUserSliderChanged(int value);
    void GSKExpertSliderChanged(int value);
    void GFIDExpertSliderChanged(int value);
    void GMSExpertSliderChanged(int value);
    void TINTExpertSliderChanged(int value);
    void NbBoxesSliderChanged(int value);
    void IASensitivitySliderChanged(int value);
    void InterOUSliderChanged(int value);
    void x1RoiUserValueChanged();
    void x2RoiUserValueChanged();
    void y1RoiUserValueChanged();
    void y2RoiUserValueChanged();
    void gammaUserSendCommand();
    void sharpeningSendCommand();
    void clheSendCommand();
    void zoomChanged();
    void videoOutputChanged();
    void gskSendCommand();
    void gfiSendCommand();
    void gmsSendCommand();
    void tintSendCommand();
    void polarityChanged();
    void verticalFlipChanged();
    void horizontalFlipChanged();
    void columnCorrChanged();
    void vignettingCorrChanged();
    void shutterPositionChanged();
    void AutoNucRequest();
    void nucControlRequest();
    void contrastTypeChanged();
    void bprControl();
    void offsetControl();
    void gainControl();
    void setOxSerialNumber();
    void forceOxSerialNumber();
    void getTemperature();
    void scanDevice();
    void connectDevice();
    void disconnectDevice();
    void createAboutWindow();
    void monitoringSystem();

private:
    // ui/mainwindow.cpp
    void labelListsWithoutACaption();
    void connectControls();
    void removeTabByTitle(const QString& title);
    void logMessage(std::string message);
    void sendSliderMovesOfTheOperator();

    // ui/messageboxes.cpp
    void programTakesTheInput();
    void programGivesBackTheInput();
    int runModal(QDialog& dialog);
    bool editFinishedByOperator() const;
    void showWarning(const QString& text);
    void showAboutBox(const QString& title, const QString& text);
    bool askYesNo(const QString& text);

    // session/
    void showSessionControls(bool connected);
    void showIaControlTabLast();
    void showShutterPresence();
    bool openAlternativeSerialPort(std::string portName);
    void applyCameraLimits();
    void refreshTemperatures();
    void releaseHeldConnection();

    // params/readback.cpp
    bool ReadParamsUser();
    void showUserSetting(const camera::BulkStep& step);

    // params/ (coupling, user controls, toggles, NUC, expert, IA)
    // key names a row of the camera's table.
    void logOutcome(bool accepted, const camera::Texts& texts);
    bool countToSend(camera::Key key, std::uint32_t& count);
    bool sendCount(camera::Key key, camera::Run run);
    void sendFinishedEdit(camera::Key key);
    void checkAndSendRoiBound(camera::Key bound);
    bool sendSetting(const camera::Setting& setting, double cameraValue, camera::Run run);
    bool sendZoom();
    bool sendContrastType();
    void sendUserSettingInBulk(const camera::BulkStep& step);
    std::optional<std::uint8_t> entryToSend(const QComboBox* list, const char* setting,
                                            const char* entryKind);
    bool runToggle(camera::Key key);
    void requestNucInMode(std::uint8_t mode);
    void storeExpertValues(orvex_sdk::Configuration& configuration);

    bool lastResult = false;
    Ui_MainWindow* ui = nullptr;
    orvex_sdk::Device* device = nullptr;
    orvex_sdk::Connection* connection = nullptr;
    std::string devicePortName;
    QTimer* monitoringTimer = nullptr;
    // Port names rather than QSerialPortInfo records: the simulated cameras' ports are not the
    // operating system's, and QSerialPortInfo cannot describe a port the system does not list.
    QStringList portList;
    QString selectedPortName;
    std::unique_ptr<std::uint8_t> cameraType;
    int inputTakenByProgram = 0;
};
