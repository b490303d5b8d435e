#pragma once
// What every device panel is built with: the packet buffers, the link back to
// the program, the flag labels, the device floats and the scrolling trend.
// Compiled into each plug-in library with hidden visibility, so the
// library-wide objects below exist once per library.
#include "Chart.h"
#include "CommonInterfaces.h"
#include "PluginProfile.h"

#include <QColor>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

class QLabel;

namespace ostan {

// The program's side of the link as the framework calls it: the methods of
// the program's callback interface, in its order. The plug-in object wraps
// its callback reference in one of these; releasing it releases the
// reference.
class IHostCallback {
public:
    virtual ~IHostCallback() = default;
    virtual void SendPacket(const TDynamicByteArray& Packet) = 0;
    virtual void RestartDevice() = 0;
    virtual void DisableAutoSwitch() = 0;
};

// Makes the program's callback object; raises when it cannot be created or
// does not offer the callback interface.
using HostCallbackFactory = std::function<std::unique_ptr<IHostCallback>()>;

// The factory of a real plug-in: creates the program's callback object by
// CLSID_OstanBack and asks it for IOstanBack. Raises EOleSysError when the
// class is not available or lacks the interface.
std::unique_ptr<IHostCallback> ConnectOstanBack();

// Received-packet buffer (In) and command buffer (Out), both numbered from 1.
// Reads outside a buffer give 0 and writes there are ignored.
class TPluginData {
public:
    // Both lengths must be above 0, otherwise nothing is allocated and both
    // stay 0.
    TPluginData(int InLen, int OutLen);
    virtual ~TPluginData() = default;
    TPluginData(const TPluginData&) = delete;
    TPluginData& operator=(const TPluginData&) = delete;

    int InLen() const { return FInLen; }
    int OutLen() const { return FOutLen; }

    uint8_t GetIn(int I) const;
    // The 16-bit field at received bytes I (low 8 bits) and I+1.
    uint16_t GetIn16(int I) const { return static_cast<uint16_t>(GetIn(I) | GetIn(I + 1) << 8); }
    int16_t GetInSigned16(int I) const { return static_cast<int16_t>(GetIn16(I)); }
    uint8_t GetOut(int I) const;
    void SetIn(int I, uint8_t B);
    void SetOut(int I, uint8_t B);

    // Device float at received byte N: exponent at N, mantissa from least
    // to most significant at N+1..N+3.
    double DF(int N) const;
    // Reversed device float at received byte N: exponent at N, mantissa from
    // most to least significant at N+1..N+3.
    double RDF(int N) const;

private:
    std::vector<uint8_t> Out;
    std::vector<uint8_t> In;
    int FInLen = 0;
    int FOutLen = 0;
};

// The library's packet: the buffers plus sending through HostCallback.
class TPluginPacket : public TPluginData {
public:
    // Connects HostCallback through Connect (replacing and releasing any
    // earlier one). An error of Connect leaves the constructor, with
    // HostCallback cleared. An empty Connect leaves HostCallback unset.
    TPluginPacket(int InLen, int OutLen, const HostCallbackFactory& Connect);
    ~TPluginPacket() override; // clears HostCallback

    // Writes Data over Out from byte 1 (bytes past OutLen dropped), sets the
    // last byte to the XOR of the bytes before it and hands Out to the
    // program. Nothing happens when OutLen is 0; nothing is sent while
    // HostCallback is unset.
    void Send(std::span<const uint8_t> Data);
    void Send(std::initializer_list<uint8_t> Data) { Send(std::span<const uint8_t>(Data.begin(), Data.size())); }
};

// The panel's scrolling two-series trend. Does not own the chart.
class TPluginChart {
public:
    // Brings every series of Chart with fewer than 5 points up to 5 with
    // null points.
    TPluginChart(TChart* Chart, double Span0, double Span1, const TPluginChartVariant& Variant);

    TChart* Chart() const { return FChart; }
    double Span0() const { return FSpan0; }
    double Span1() const { return FSpan1; }
    const TPluginChartVariant& Variant() const { return FVariant; }

    // A to series 0 (left axis), B to series 1 (right axis), each where it
    // exists.
    void AddValues(double A, double B);
    // Re-centres the series' axis when needed, drops its oldest point and
    // appends Value after its last one. An empty series gets its point at X = 0.
    void AddPoint(TFastLineSeries& Series, double Value);
    void ScaleLeft(double Value);
    void ScaleRight(double Value);
    // Every series to Chart width / divisor points: the oldest dropped, or
    // points of value 0 added in front.
    void Resize();
    int PointCount() const;

    // The two-series trend that gets one value at a time: the value goes to
    // its series, the other series is shifted along with it.
    void AddValue0(double Value);
    void AddValue1(double Value);
    void Shift(TFastLineSeries& Series);
    void Clear();

private:
    void AppendAfterLast(TFastLineSeries& Series, double Value);
    static void Recentre(TChartAxis& Axis, double Span, double Value);

    TChart* FChart;
    double FSpan0;
    double FSpan1;
    TPluginChartVariant FVariant;
};

// Library-wide objects, one each per library.
extern std::unique_ptr<IHostCallback> HostCallback;
extern std::unique_ptr<TPluginPacket> PluginPacket;
extern std::unique_ptr<TPluginChart> PluginChart;

// The label is enabled and painted in Color when (Value AND Mask) = Mask,
// otherwise disabled and painted in the button-face colour. A lit label's
// accessible description names its colour (FlagColourName). On a panel the
// label takes it at the panel's pace (TShownState).
void ShowFlag(uint8_t Value, uint8_t Mask, QLabel* Lbl, const QColor& Color);

// (-1)^sign x (1 + mantissa / 2^23) x 2^(Exponent - 127); the sign is bit 7
// of M2, the mantissa (M2 AND 0x7F) M1 M0. Exponent 0 and 0xFF give 0.
double DeviceFloatToDouble(uint8_t Exponent, uint8_t M0, uint8_t M1, uint8_t M2);

} // namespace ostan
