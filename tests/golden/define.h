/*********************************************************************
**  Device: K3960                                                   **
**  File:   define.h                                                **
**                                                                  **
**  Description:                                                    **
**  Type define                                                     **
**                                                                  **
**  Copyright (c) ZORVANT. Reference code, provided as is.          **
**                                                                  **
*********************************************************************/

#ifndef _DEFINE_H_
#define _DEFINE_H_

#include <intrins.h>

#define Sint8  signed   char
#define Uint8  unsigned char
#define Uint16 unsigned int
#define Uint32 unsigned long

#endif
