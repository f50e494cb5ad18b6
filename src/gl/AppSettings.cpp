#include "gl/AppSettings.h"

double camera_zoom_factor = 250.0;
double camera_zoom_inc = 0.05;
double camera_move = 200.0;
double camera_default_lens = 45.0;
bool bvh_inch_unit = true;
double bvh_scale = 10.0;
unsigned char selected_trajectory_enabled = 1;
unsigned char element_tooltips_enabled = 1;
