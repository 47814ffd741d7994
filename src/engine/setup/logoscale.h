#ifndef TESSARO_LOGOSCALE_H
#define TESSARO_LOGOSCALE_H

// The logo scale slider shows the scale factor in hundredths. Going from the factor to the slider
// truncates toward zero, so a factor such as 0.29 (28.999... hundredths in double precision) lands
// one position lower; the slider's range then clamps the result.
inline int scaleSliderPosition(double scale)
{
    return int(scale * 100);
}

inline double scaleOfSliderPosition(int position)
{
    return position / 100.0;
}

#endif // TESSARO_LOGOSCALE_H
