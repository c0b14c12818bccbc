/*********************************************************************
**  Device: K3960                                                   **
**  File:   main.c                                                  **
**                                                                  **
**  Description:                                                    **
**  This file is a sample code for your reference.                  **
**                                                                  **
**  Copyright (c) ZORVANT. Reference code, provided as is.          **
**                                                                  **
*********************************************************************/

#include <reg52.h>
#include "define.h"
#include "K3960reg.h"

//!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!//
//                         I/O Declaration                          //
//          TODO: USER NEED CHANGE THIS SET TO FIT SYSTEM.          //
//!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!//
sbit SCS    = P1^1;
sbit SCK    = P3^0;
sbit SDIO   = P3^1;
sbit GIO1   = P3^3;
sbit GIO2   = P3^4;
#define RF_WTR  GIO2
#define SDO     GIO1
 

//!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!//
//                   Global Variable Declaration                    //
//!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!//
Uint8		idata	RfBuf[64];
Uint8		idata	TmpUint8;

//-----------------------------------------------------------------------------
// 64 bytes PN9 pseudo random code
//-----------------------------------------------------------------------------
const Uint8 code PN9_Tab[]=
{   0xFF,0x83,0xDF,0x17,0x32,0x09,0x4E,0xD1,
    0xE7,0xCD,0x8A,0x91,0xC6,0xD5,0xC4,0xC4,
    0x40,0x21,0x18,0x4E,0x55,0x86,0xF4,0xDC,
    0x8A,0x15,0xA7,0xEC,0x92,0xDF,0x93,0x53,
    0x30,0x18,0xCA,0x34,0xBF,0xA2,0xC7,0x59,
    0x67,0x8F,0xBA,0x0D,0x6D,0xD8,0x2D,0x7D,
    0x54,0x0A,0x57,0x97,0x70,0x39,0xD2,0x7A,
    0xEA,0x24,0x33,0x85,0xED,0x9A,0x1D,0xE0
};

//-----------------------------------------------------------------------------
// RF ID code
//-----------------------------------------------------------------------------
const Uint8 code ID_Tab[4] =
{
    0x54, 0x75, 0xC5, 0x2A
};

// !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!
//                                     NOTE                                  !!
// !!            THIS CONFIG TABLE ONLY USE ON RF CRYSTAL = 16MHz            !!
// !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!
const Uint16 code K3960Config[] =
{
    //      address   name              Descript
    //      -------   ----              --------
    0x00,   //0x00    MODE register,    only reset, not use on config
    0x62,   //0x01    MODE CTRL register,   FIFO mode, Enable ARSSI, Enable AIF
    0x00,   //0x02    CALIBRATION register,
    0x3F,   //0x03    FIFO1 register,
    0x00,   //0x04    FIFO2 register,
    0x00,   //0x05    FIFO register,    for fifo read/write
    0x00,   //0x06    IDDATA register,  for idcode
    0x00,   //0x07    RCOSC1 register,
    0x00,   //0x08    RCOSC2 register,
    0x00,   //0x09    RCOSC3 register,
    0x00,   //0x0A    CKO register,
    0x19,   //0x0B    GIO1 register,    SDO
    0x01,   //0x0C    GIO2 register,    WTR       
    0x1F,   //0x0D    DATARATE register,
    0x50,   //0x0E    PLL1 register,
    0x0E,   //0x0F    PLL2 register,    RFbase 2400.001MHz
    0x96,   //0x10    PLL3 register,
    0x00,   //0x11    PLL4 register,
    0x04,   //0x12    PLL5 register,
    0x3C,   //0x13    chanel group I,
    0x78,   //0x14    chanel group II,
    0xD7,   //0x15    TX1 register,
    0x40,   //0x16    TX2 register,
    0x10,   //0x17    DELAY1 register,
    0x61,   //0x18    DELAY2 register,
    0x62,   //0x19    RX register,
    0xA0,   //0x1A    RXGAIN1 register,
    0x00,   //0x1B    RXGAIN2 register,
    0x00,   //0x1C    RXGAIN3 register,
    0xD2,   //0x1D    RXGAIN4 register,
    0x00,   //0x1E    RSSI register,
    0xE2,   //0x1F    ADC register,
    0x07,   //0x20    CODE1 register,
    0x56,   //0x21    CODE2 register,
    0x2A,   //0x22    CODE3 register,
    0x06,   //0x23    IFCAL1 register,
    0x00,   //0x24    IFCAL2 register,  only read
    0x05,   //0x25    VCOCCAL register,
    0x44,   //0x26    VCOCAL1 register,
    0x80,   //0x27    VCOCAL2 register,
    0x30,   //0x28    VCO DEV Cal. I register,
    0x20,   //0x29    VCO DEV Cal. II register,
    0x80,   //0x2A    VCO DEV Cal. III register,
    0x00,   //0x2B    VCO Mod. delay register
    0x7A,   //0x2C    BATTERY register,
    0x2F,   //0x2D    TXTEST register,
    0x47,   //0x2E    RXDEM1 register,
    0x80,   //0x2F    RXDEM2 register,
    0xF1,   //0x30    CPC1 register,
    0x11,   //0x31    CPC2 register,
    0x04,   //0x32    CRYSTAL register,
    0x45,   //0x33    PLLTEST register,
    0x18,   //0x34    VCOTEST register,
    0x10,   //0x35    RF Analog Test
    0xFF,   //0x36    IFAT register,
    0x37,   //0x37    Channel select register,
    0xFF    //0x38    VRB register
};


/*********************************************************************
**  function Declaration
*********************************************************************/
void K3960_WriteReg(Uint8, Uint8);
Uint8 K3960_ReadReg(Uint8);
void StrobeCmd(Uint8 src);
void ByteSend(Uint8 src);
void K3960_Reset(void);
void K3960_WriteID(void);
void initRF(void);
void K3960_Config(void);
void K3960_Cal(void);
void WriteFIFO(Uint8 length);
void Delay1ms(Uint8 n); 


/*********************************************************************
**  main loop
*********************************************************************/
void main(void)
{
    //initHW
    P0 = 0xFF;
    P1 = 0xFF;
    P2 = 0xFF;
    P3 = 0xFF;

    initRF();

    StrobeCmd( CMD_STBY );
    K3960_WriteReg( TXTEST_REG, 0x3C );     //  TX power = -4dBm 
    K3960_WriteReg( DATARATE_REG, 0x5F );   //  Data rate = 1M
    K3960_WriteReg( MODECTRL_REG, 0x62 );   // FIFO mode
    K3960_WriteReg( PLL1_REG, 100 );        // set radio channel
    K3960_WriteReg( CODE1_REG, 0x0F);       // enable CRC check function

    WriteFIFO( 8 );    // write data to TX FIFO 

    while(1)
    {
        Delay1ms( 10 );

        StrobeCmd( CMD_TX );
        while( RF_WTR );        // wait TX finish 

    }
}

/*********************************************************************
**  Err_State
*********************************************************************/
void Err_State(void)
{
    //ERR display
    //Error Proc...
    while(1);
}

/************************************************************************
**  K3960_WriteReg
************************************************************************/
void K3960_WriteReg(Uint8 addr, Uint8 dataByte)
{
    Uint8 i;

    SCS = 0;
    addr |= 0x00; //bit cmd=0,r/w=0
    for(i = 0; i < 8; i++)
    {
        if(addr & 0x80)
            SDIO = 1;
        else
            SDIO = 0;

        SCK = 1;
        _nop_();
        SCK = 0;
        addr = addr << 1;
    }
    _nop_();

    //send data byte
    for(i = 0; i < 8; i++)
    {
        if(dataByte & 0x80)
            SDIO = 1;
        else
            SDIO = 0;

        SCK = 1;
        _nop_();
        SCK = 0;
        dataByte = dataByte << 1;
    }
    SCS = 1;
}

/************************************************************************
**  K3960_ReadReg
************************************************************************/
Uint8 K3960_ReadReg(Uint8 addr)
{
    Uint8 i;
    Uint8 tmp;

    SCS = 0;
    addr |= 0x40; //bit cmd=0,r/w=1
    for(i = 0; i < 8; i++)
    {
        if(addr & 0x80)
            SDIO = 1;
        else
            SDIO = 0;

        _nop_();
        SCK = 1;
        _nop_();
        SCK = 0;
        addr = addr << 1;
    }
    _nop_();
    SDO = 1;

    //read data
    for(i = 0; i < 8; i++)
    {
        if(SDO)
            tmp = (tmp << 1) | 0x01;
        else
            tmp = tmp << 1;

        SCK = 1;
        _nop_();
        SCK = 0;
    }
    SCS = 1;
    return tmp;
}

/*********************************************************************
**  Strobe Command
*********************************************************************/
void StrobeCmd(Uint8 src)
{
    Uint8 i;

    SCS = 0;
    for(i = 0; i < 8; i++)
    {
        if(src & 0x80)
            SDIO = 1;
        else
            SDIO = 0;

        _nop_();
        SCK = 1;
        _nop_();
        SCK = 0;
        src = src << 1;
    }
    SCS = 1;
}

/************************************************************************
**  ByteSend
************************************************************************/
void ByteSend(Uint8 src)
{
    Uint8 i;

    for(i = 0; i < 8; i++)
    {
        if(src & 0x80)
            SDIO = 1;
        else
            SDIO = 0;

        _nop_();
        SCK = 1;
        _nop_();
        SCK = 0;
        src = src << 1;
    }
}

/*********************************************************************
**  WriteID
*********************************************************************/
void K3960_WriteID(void)
{
    Uint8 i;
    Uint8 addr;

    addr = IDCODE_REG; //send address 0x06, bit cmd=0, r/w=0
    SCS = 0;
    ByteSend(addr);
    for(i = 0; i < 4; i++)
    {
        ByteSend(ID_Tab[i]);
    }
    SCS = 1;
}

/*********************************************************************
**  Reset_RF
*********************************************************************/
void K3960_Reset(void)
{
    K3960_WriteReg(MODE_REG, 0x00); //reset RF chip
}
/*********************************************************************
**  CHGroupCal
*********************************************************************/
void CHGroupCal(Uint8 ch)
{
    Uint8 tmp;
    Uint8 vb, vbcf;
    Uint8 vcb, vccf;

    K3960_WriteReg(PLL1_REG, ch);
    K3960_WriteReg(CALIBRATION_REG, 0x1C);
    do
    {
        tmp = K3960_ReadReg(CALIBRATION_REG);
        tmp = tmp & 0x1C;
    }
    while(tmp);

    //for check
    tmp = K3960_ReadReg(VCOCAL1_REG);
    vb = tmp & 0x07;
    vbcf = (tmp >> 3) & 0x01;

    tmp = K3960_ReadReg(VCOCCAL_REG);
    vcb = tmp & 0x0F;
    vccf = (tmp >> 4) & 0x01;

    if(vbcf || vccf)
    {
        Err_State(); //error
    }
}

/*********************************************************************
**  calibration
*********************************************************************/
void K3960_Cal(void)
{
    Uint8 tmp;
    Uint8 fb, fbcf, fcd, dvt;

    //calibration RSSI,IF procedure
    StrobeCmd(CMD_PLL);
    K3960_WriteReg(CALIBRATION_REG, 0x03);
    do
    {
        tmp = K3960_ReadReg(CALIBRATION_REG);
        tmp = tmp & 0x03;
    }
    while(tmp);

    //calibration VCO dev,VBC,VCC procedure
    CHGroupCal(30);     //calibrate channel group Bank I
    CHGroupCal(90);     //calibrate channel group Bank II
    CHGroupCal(150);    //calibrate channel group Bank III
    StrobeCmd(CMD_STBY); //return to STBY state

    //for check
    tmp = K3960_ReadReg(IFCAL1_REG);
    fb = tmp & 0x0F;
    fbcf = (tmp >> 4) & 0x01;

    tmp = K3960_ReadReg(IFCAL2_REG);
    fcd = tmp & 0x1F;

    tmp = K3960_ReadReg(VCOCAL2_REG);
    dvt = tmp;

    if(fbcf)
    {
        Err_State();
    }
}

/*********************************************************************
**  K3960_Config
*********************************************************************/
void K3960_Config(void)
{
    Uint8 i;

    //0x00 mode register, for reset
    //0x05 fifo data register
    //0x06 id code register
    //0x24 IF calibration II, only read

    for(i = 0x01; i <= 0x04; i++)
        K3960_WriteReg( i, K3960Config[i] );

    for(i = 0x07; i <= 0x23; i++)
        K3960_WriteReg( i, K3960Config[i] );

    for(i = 0x25; i <= 0x38; i++)
        K3960_WriteReg( i, K3960Config[i] );
}

/*********************************************************************
**  initRF
*********************************************************************/
void initRF(void)
{
    //init io pin
    SCS = 1;
    SCK = 0;
    SDIO = 1;
    GIO1 = 1;
    GIO2 = 1;

    K3960_Reset();      //reset K3960 RF chip
    K3960_WriteID();    //write ID code
    K3960_Config();     //config K3960 chip
    K3960_Cal();        //calibration IF,vco, vcoc
}

//**********************************************************************
//  WriteFIFO
//**********************************************************************
void WriteFIFO(Uint8 length)
{
    Uint8 i;

    K3960_WriteReg( FIFO1_REG, length-1);   // set FIFO length
    StrobeCmd(CMD_TFR);                     // Reset TX FIFO point
    
    SCS=0;
    ByteSend(FIFO_REG);
    for(i = 0; i < length; i++)
        ByteSend(PN9_Tab[i]);
    SCS=1;
}

//!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!//
//                        DELAY 1MS FUNCTION                        //
//          USER NEED CHANGE THIS FUNCTION TO FIT SYSTEM.           //
//!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!//
void Delay1ms(Uint8 n)
{
    Uint8 i, j;

    while(n--)
    {
        for(j = 0; j < 6; j++)
        {
            for(i = 0; i < 235; i++)
            {
                _nop_();
                _nop_();
                _nop_();
                _nop_();
            }
        }
    }
}


