#include "Chart.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace ostan {

void TChartAxis::SetMinimum(double Value)
{
    Min = Value;
    Owner->Changed();
}

void TChartAxis::SetMaximum(double Value)
{
    Max = Value;
    Owner->Changed();
}

void TChartAxis::SetMinMax(double AMin, double AMax)
{
    Min = AMin;
    Max = AMax;
    Owner->Changed();
}

bool TChartAxis::SetRange(double AMin, double AMax)
{
    if (!std::isfinite(AMin) || !std::isfinite(AMax) || !(AMin < AMax))
        return false;
    SetMinMax(AMin, AMax);
    return true;
}

void TChartAxis::SetIncrement(double Value)
{
    Inc = Value;
    Owner->Changed();
}

void TFastLineSeries::SetVertAxis(TVertAxis A)
{
    Axis = A;
    Owner->Changed();
}

void TFastLineSeries::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EChartError("List index out of bounds (" + std::to_string(Index) + ")");
}

double TFastLineSeries::XValue(int Index) const
{
    CheckIndex(Index);
    return Points[static_cast<size_t>(Index)].X;
}

double TFastLineSeries::YValue(int Index) const
{
    CheckIndex(Index);
    return Points[static_cast<size_t>(Index)].Y;
}

void TFastLineSeries::SetYValue(int Index, double Value)
{
    CheckIndex(Index);
    Points[static_cast<size_t>(Index)].Y = Value;
    Owner->Changed();
}

bool TFastLineSeries::IsNull(int Index) const
{
    CheckIndex(Index);
    return Points[static_cast<size_t>(Index)].Null;
}

double TFastLineSeries::XValueLast() const
{
    return XValue(Count() - 1);
}

int TFastLineSeries::Insert(TPoint P)
{
    const auto At = std::upper_bound(Points.begin(), Points.end(), P.X,
                                     [](double X, const TPoint& Q) { return X < Q.X; });
    const int Index = static_cast<int>(At - Points.begin());
    Points.insert(At, P);
    Owner->Changed();
    return Index;
}

int TFastLineSeries::AddXY(double X, double Y)
{
    return Insert({X, Y, false});
}

int TFastLineSeries::AddNull()
{
    return Insert({Points.empty() ? 0.0 : Points.back().X + 1, 0.0, true});
}

void TFastLineSeries::Delete(int Index)
{
    CheckIndex(Index);
    Points.erase(Points.begin() + Index);
    Owner->Changed();
}

void TFastLineSeries::Clear()
{
    Points.clear();
    Owner->Changed();
}

TChart::TChart()
{
    Bottom.Automatic = true;
}

TFastLineSeries& TChart::Series(int Index)
{
    if (Index < 0 || Index >= SeriesCount())
        throw EChartError("Series index out of bounds (" + std::to_string(Index) + ")");
    return *SeriesList[static_cast<size_t>(Index)];
}

const TFastLineSeries& TChart::Series(int Index) const
{
    return const_cast<TChart*>(this)->Series(Index);
}

TFastLineSeries& TChart::AddSeries(TVertAxis Axis)
{
    SeriesList.push_back(std::make_unique<TFastLineSeries>(this, Axis));
    Changed();
    return *SeriesList.back();
}

const TChartAxis* TChart::AxisOf(const TFastLineSeries& S) const
{
    switch (S.VertAxis()) {
    case TVertAxis::Left: return &Left;
    case TVertAxis::Right: return &Right;
    case TVertAxis::Custom: break;
    }
    return nullptr;
}

void ApplySide(TChartAxis& A, const TTrendSide& Side)
{
    A.Title = Side.Title;
    A.SetMinMax(Side.Minimum, Side.Maximum);
    A.SetIncrement(Side.Increment);
    A.LabelColor = Side.LabelColor;
    A.LabelFamily = Side.LabelFamily;
}

std::pair<TFastLineSeries*, TFastLineSeries*> SetUpTrend(TChart& Chart, const TTrendSide& Left, const TTrendSide& Right)
{
    Chart.Title.clear();
    Chart.LegendVisible = true;
    Chart.BottomAxis().Visible = false;
    TFastLineSeries* Series[2] = {};
    int I = 0;
    for (const auto& [Side, Axis] : {std::pair{&Left, TVertAxis::Left}, std::pair{&Right, TVertAxis::Right}}) {
        ApplySide(Axis == TVertAxis::Left ? Chart.LeftAxis() : Chart.RightAxis(), *Side);
        TFastLineSeries& S = Chart.AddSeries(Axis);
        S.Color = Side->Color;
        S.Title = Side->SeriesTitle;
        Series[I++] = &S;
    }
    return {Series[0], Series[1]};
}

} // namespace ostan
