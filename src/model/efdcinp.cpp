// EFDC.INP, the control file of the model: a complete deck of default cards
// in which only the run title and the grid counts come from the program.
// The lines starting with "*" explain each card's parameters to the reader;
// the model skips them.
#include <cstdio>

#include "link/cellmap.h"
#include "link/outfile.h"
#include "model/modelfiles.h"
#include "model/timestep.h"

namespace kestrel {

namespace {

// The line in front of a card.
enum Separator { kDashes79, kDashes78, kBlankDashes79 };

// One card of the deck: its title line, the lines that explain its
// parameters, its column header line and its default data lines.
struct Card {
  const char* title;
  Separator separator;
  const char* description;  // whole lines, each ending in a line end
  const char* header;
  const char* data;        // whole lines; empty when the card has no entries
  bool cLine;              // a line "C" alone stands before the header
  bool gridCounts;         // the data line carries the grid counts of the cell map
  bool timeSteps = false;  // the data line carries the time steps in a reference period
};

// The cards after the run title, in the order the model reads them.
constexpr Card kCards[] = {
    {"C2 RESTART, GENERAL CONTROL AND AND DIAGNOSTIC SWITCHES", kDashes79,
     "*\n"
     "*  ISRESTI   1 starts the run from a restart file of an earlier run,\n"
     "*            0 starts it from the initial conditions of the input files\n"
     "*  ISRESTO   restart output: 1 or more writes a restart file every that\n"
     "*            many reference periods; -1 writes one, RESTART.rst, at the\n"
     "*            end of the run\n"
     "*  ISRESTR   1 writes the residual (time averaged) transport fields for\n"
     "*            restarting a long term transport run, 0 does not\n"
     "*  IS_FLUME  1 runs the model as a laboratory flume, 0 as a water body\n"
     "*  ISLOG     1 writes a log of the run, 0 does not\n"
     "*  ISDIVEX   1 checks the external mode solution for divergence each step\n"
     "*  ISNEGH    1 checks for and reports negative water depths, 2 also stops\n"
     "*            the run when one is found\n"
     "*  ISMMC     1 writes the minima and maxima of the main variables\n"
     "*  ISBAL     1 keeps a mass and volume balance, 0 does not\n"
     "*  IS2TIM    1 uses the two time level scheme, 0 the three time level one\n"
     "*  ISHOW     1 shows the progress of the run on the screen\n"
     "*  ISTIMING  1 measures and reports the time spent in each part of the model\n"
     "*\n",
     "C2 ISRESTI ISRESTO ISRESTR IS_FLUME  ISLOG  ISDIVEX ISNEGH   ISMMC   ISBAL  IS2TIM   ISHOW ISTIMING",
     "       0       0       0       0       1       0       2       0       0       1       1       1\n", false,
     false},
    {"C3 EXTERNAL MODE SOLUTION OPTION PARAMETERS AND SWITCHES", kDashes79,
     "*\n"
     "*  RP        over-relaxation factor of the iterative external mode solver\n"
     "*  RSQM      target squared residual at which the solver stops iterating\n"
     "*  ITERM     largest number of solver iterations in one time step\n"
     "*  IRVEC     choice of the external mode solver (9: conjugate gradients)\n"
     "*  RPADJ     relaxation factor used while the initial state is adjusted\n"
     "*  RSQMADJ   target squared residual while the initial state is adjusted\n"
     "*  NRAMPUP   number of time steps over which the forcing is ramped up\n"
     "*  ITERHPM   largest number of iterations for the wetting and drying\n"
     "*            correction of the surface elevation\n"
     "*  IDRYCK    number of iterations between the wet and dry checks\n"
     "*  ISDSOLV   1 writes diagnostics of the solver\n"
     "*  FILT      weight of the filter that damps the surface elevation\n"
     "*\n",
     "C3    RP    RSQM   ITERM    IRVEC  RPADJ RSQMADJ NRAMPUP ITERHPM  IDRYCK ISDSOLV    FILT",
     "     1.8 .000000001     200       9     1.8   1E-16    1000       4      20       0   .0625\n", false, false},
    {"C4 LONGTERM MASS TRANSPORT INTEGRATION ONLY SWITCHES", kDashes79,
     "*\n"
     "*  These switches apply only when the model integrates long term (residual)\n"
     "*  transport from stored flow fields instead of computing the flow.\n"
     "*  ISLTMT    1 runs long term mass transport only\n"
     "*  ISSSMMT   which state the long term transport starts from and whether the\n"
     "*            mean mass transport fields are written\n"
     "*  ISLTMTS   1 writes the long term transport fields at every step\n"
     "*  ISIA      1 solves the transport implicitly\n"
     "*  RPIA      relaxation factor of the implicit transport solver\n"
     "*  RSQMIA    target squared residual of the implicit transport solver\n"
     "*  ITRMIA    largest number of iterations of the implicit transport solver\n"
     "*  ISAVEC    1 averages the concentrations over the transport interval\n"
     "*\n",
     "C4 ISLTMT ISSSMMT ISLTMTS   ISIA    RPIA  RSQMIA  ITRMIA  ISAVEC",
     "       0       2       0       0     1.8 .0000000001       0       0\n", false, false},
    {"C5 MOMENTUM ADVEC AND HORIZ DIFF SWITCHES AND MISC SWITCHES", kDashes79,
     "*\n"
     "*  ISCDMA    how momentum advection is computed: 0 upwind, 1 central\n"
     "*            differences, 2 a mix of both\n"
     "*  ISAHMF    1 includes horizontal diffusion of momentum\n"
     "*  ISDISP    1 writes the horizontal dispersion coefficients\n"
     "*  ISWASP    1 writes linkage files for a water quality model\n"
     "*  ISDRY     1 lets cells dry out and wet again, 0 keeps every cell wet\n"
     "*  ISQQ      1 solves the turbulence closure equations\n"
     "*  ISRLID    1 treats the water surface as a rigid lid\n"
     "*  ISVEG     1 includes the drag of vegetation\n"
     "*  ISVEGL    1 includes laminar flow through vegetation\n"
     "*  ISITB     1 uses an implicit bottom friction in the external mode\n"
     "*  ISEVER    1 uses the default settings of an earlier model version\n"
     "*  IINTPG    choice of the form of the internal pressure gradient\n"
     "*\n",
     "C5 ISCDMA  ISAHMF  ISDISP  ISWASP   ISDRY    ISQQ  ISRLID   ISVEG  ISVEGL   ISITB  ISEVER  IINTPG",
     "       0       0       0       0       0       1       0       0       0       0       0       0\n", false,
     false},
    {"C6 DISSOLVED AND SUSPENDED CONSTITUENT TRANSPORT SWITCHES", kDashes79,
     "*\n"
     "*  One data line per transported quantity, in the order given by the\n"
     "*  comment at the end of each line (turbulence, salinity, temperature, dye,\n"
     "*  shellfish larvae, toxics, cohesive and non-cohesive sediment, water\n"
     "*  quality).\n"
     "*  ISTRAN    1 transports and computes the quantity, 0 leaves it out\n"
     "*  ISTOPT    option of the transport formulation for the quantity\n"
     "*  ISCDCA    advection scheme: 0 upwind, 1 central, 2 a blend\n"
     "*  ISADAC    1 uses the anti-diffusion correction\n"
     "*  ISFCT     1 applies flux limiting to the anti-diffusion correction\n"
     "*  ISPLIT    1 splits horizontal and vertical transport\n"
     "*  ISADAH    1 uses the anti-diffusion correction horizontally\n"
     "*  ISADAV    1 uses the anti-diffusion correction vertically\n"
     "*  ISCI      1 reads the initial concentrations from a file\n"
     "*  ISCO      1 writes the concentrations at the open boundaries\n"
     "*\n",
     "C6  ISTRAN  ISTOPT  ISCDCA  ISADAC   ISFCT  ISPLIT  ISADAH  ISADAV   ISCI    ISCO",
     "       0       1       0       0       0       0       0       0       0       0  !TURB 0\n"
     "       0       0       0       0       0       0       0       0       0       0  !SAL  1\n"
     "       0       0       0       0       0       0       0       0       0       0  !TEM  2\n"
     "       0       0       0       0       0       0       0       0       0       0  !DYE  3\n"
     "       0       0       0       0       0       0       0       0       0       0  !SFL  4\n"
     "       0       0       0       0       0       0       0       0       0       0  !TOX  5\n"
     "       0       0       0       0       0       0       0       0       0       0  !SED  6\n"
     "       0       0       0       0       0       0       0       0       0       0  !SND  7\n"
     "       0       0       0       0       0       0       0       0       0       0  !CWQ  8\n",
     false, false},
    {"C7 TIME-RELATED INTEGER PARAMETERS", kDashes79,
     "*\n"
     "*  NTC       number of reference periods the run lasts\n"
     "*  NTSPTC    number of time steps in one reference period\n"
     "*  NLTC      reference periods over which the forcing is applied linearly\n"
     "*  NTTC      reference periods of transition after the linear start\n"
     "*  NTCPP     reference periods between printed outputs\n"
     "*  NTSTBC    time steps between the two time level corrections of the\n"
     "*            three time level scheme\n"
     "*  NTCNB     reference periods without buoyancy at the start\n"
     "*  NTCVB     reference periods of varying buoyancy that follow\n"
     "*  NTSMMT    time steps over which mean mass transport is averaged\n"
     "*  NFLTMT    1 filters the mean mass transport fields\n"
     "*  NDRYSTP   least number of time steps a cell stays dry once it has dried\n"
     "*\n",
     "C7   NTC  NTSPTC    NLTC    NTTC   NTCPP  NTSTBC   NTCNB   NTCVB  NTSMMT  NFLTMT NDRYSTP",
     "       1    8640       0       0      10       0       0       0    8640       1      16\n", false, false, true},
    {"C8 TIME-RELATED REAL PARAMETERS", kDashes79,
     "*\n"
     "*  TCON      conversion factor from the time unit of the input to seconds\n"
     "*  TBEGIN    time of the start of the run, in the input time unit\n"
     "*  TREF      length of the reference period in seconds\n"
     "*  CORIOLIS  parameter of the rotation of the earth at the site, in 1/s\n"
     "*  ISCORV    1 lets that parameter vary from cell to cell\n"
     "*  ISCCA     1 writes the stability numbers (flow speed times time step over\n"
     "*            cell size) of each cell\n"
     "*  ISCFL     1 writes the largest stable time step of each cell\n"
     "*  ISCFLM    1 writes a map of the cells that limit the time step\n"
     "*  DTSSFAC   safety factor of a variable time step (0: fixed time step)\n"
     "*\n",
     "C8  TCON  TBEGIN    TREF CORIOLIS ISCORV   ISCCA   ISCFL  ISCFLM DTSSFAC",
     "   86400       0   86400 .00006895       0       0       0       0       0\n", false, false},
    {"C9 SPACE-RELATED AND SMOOTHING  PARAMETERS", kDashes79,
     "*\n"
     "*  KC        number of layers in the vertical\n"
     "*  IC        number of cell positions in the I direction\n"
     "*  JC        number of cell positions in the J direction\n"
     "*  LC        number of active cells plus two\n"
     "*  LVC       number of active (water) cells\n"
     "*  ISCO      1 the grid is curvilinear and orthogonal, 0 it is rectangular\n"
     "*  NDM       number of domains the cells are divided into\n"
     "*  LDM       number of cells in each domain\n"
     "*  ISMASK    1 reads masks of cell faces that block the flow\n"
     "*  ISPGNS    1 uses periodic boundaries from south to north\n"
     "*  NSHMAX    number of smoothing passes of the initial surface elevation\n"
     "*  NSBMAX    number of smoothing passes of the initial salinity\n"
     "*  WSMH      weight of the smoothing of the surface elevation\n"
     "*  WSMB      weight of the smoothing of the salinity\n"
     "*\n",
     "C9   KC   IC   JC   LC  LVC ISCO  NDM  LDM  ISMASK  ISPGNS  NSHMAX  NSBMAX    WSMH    WSMB", nullptr, true, true},
    {"C10 LAYER THICKNESS IN VERTICAL", kDashes79,
     "*\n"
     "*  One data line per layer, from the bottom layer up.\n"
     "*  LAYER NUMBER                  number of the layer\n"
     "*  DIMENSIONLESS LAYER THICKNESS fraction of the water depth taken by the\n"
     "*                                layer; the fractions add up to one\n"
     "*\n",
     "C10 LAYER NUMBER   DIMENSIONLESS LAYER THICKNESSS", " 1             1\n", false, false},
    {"C11 GRID, ROUGHNESS AND DEPTH PARAMETERS", kDashes79,
     "*\n"
     "*  DX        cell width in I used when no cell sizes are read from a file\n"
     "*  DY        cell width in J used when no cell sizes are read from a file\n"
     "*  DXYCVT    factor that turns the cell sizes into metres\n"
     "*  IMD       1 also reads changed cell data from MODDXDY.INP, and the run\n"
     "*            fails when that file is missing or short; keep 0\n"
     "*  ZBRADJ    value added to the bottom roughness heights\n"
     "*  ZBRCVRT   factor that turns the bottom roughness heights into metres\n"
     "*  HMIN      smallest water depth allowed at the start, in metres\n"
     "*  HADJ      value added to the water depths\n"
     "*  HCVRT     factor that turns the water depths into metres\n"
     "*  HDRY      depth in metres below which a cell counts as dry\n"
     "*  HWET      depth in metres above which a dry cell becomes wet again\n"
     "*  BELADJ    value added to the bottom elevations\n"
     "*  BELCVRT   factor that turns the bottom elevations into metres\n"
     "*\n",
     "C11  DX      DY   DXYCVT     IMD  ZBRADJ ZBRCVRT    HMIN    HADJ   HCVRT    HDRY    HWET  BELADJ BELCVRT",
     "       1       1       1       0     .04       1      .1       0       1     .07      .1       0       1\n",
     false, false},
    {"C11A TWO-LAYER MOMENTUM FLUX AND CURVATURE ACCELERATION CORRECTION FACTORS", kDashes79,
     "*\n"
     "*  Correction factors for the momentum fluxes and the curvature terms of a\n"
     "*  model with two layers; they do not matter with one layer.\n"
     "*  ICK2COR   1 applies the corrections below\n"
     "*  CK2UUM    correction of the flux of U momentum in the U direction\n"
     "*  CK2VVM    correction of the flux of V momentum in the V direction\n"
     "*  CK2UVM    correction of the cross fluxes of U and V momentum\n"
     "*  CK2UUC    curvature correction of the U U term\n"
     "*  CK2VVC    curvature correction of the V V term\n"
     "*  CK2UVC    curvature correction of the U V term\n"
     "*  CK2FCX    correction of the earth rotation and curvature force along X\n"
     "*  CK2FCY    correction of the earth rotation and curvature force along Y\n"
     "*\n",
     "C11A ICK2COR CK2UUM CK2VVM CK2UVM CK2UUC  CK2VVC  CK2UVC  CK2FCX  CK2FCY",
     "       0       0       0       0       0       0       0       0       0\n", false, false},
    {"C11B CORNER CELL BOTTOM STRESS CORRECTION OPTIONS", kDashes79,
     "*\n"
     "*  ISCORTBC  1 corrects the bottom stress in cells that have land on two\n"
     "*            sides (corner cells)\n"
     "*  ISCORTBCD 1 writes the corner cells that are corrected\n"
     "*  FSCORTBC  factor by which the bottom stress of a corner cell is scaled\n"
     "*\n",
     "C11B ISCORTBC ISCORTBCD FSCORTBC", "       0       0      .5\n", false, false},
    {"C12 TURBULENT DIFFUSION PARAMETERS", kDashes79,
     "*\n"
     "*  AHO       constant horizontal eddy viscosity, in m2/s\n"
     "*  AHD       factor of the part of the horizontal viscosity that grows with\n"
     "*            the shear of the flow; 0 leaves it out\n"
     "*  AVO       background vertical eddy viscosity, in m2/s\n"
     "*  ABO       background vertical eddy diffusivity, in m2/s\n"
     "*  AVMN      smallest vertical eddy viscosity allowed, in m2/s\n"
     "*  ABMN      smallest vertical eddy diffusivity allowed, in m2/s\n"
     "*  VISMUD    viscosity of fluid mud, in m2/s\n"
     "*  AVCON     1 keeps the vertical viscosity constant, 0 computes it\n"
     "*  ZBRWALL   roughness height of the side walls, in metres\n"
     "*  ISAVBMN   1 applies the smallest viscosity and diffusivity only near\n"
     "*            the bottom\n"
     "*  ISFAVB    1 averages the vertical viscosity and diffusivity in time\n"
     "*  ICHKCOUR  1 checks the stability number of every cell\n"
     "*\n",
     "C12 AHO     AHD     AVO     ABO    AVMN    ABMN   VISMUD  AVCON  ZBRWALL ISAVBMN  ISFAVB  ICHKCOUR",
     " .000001     .03 .000001 .00000001 .000001 .00000001       0       1     .02       0       0       0\n", false,
     false},
    {"C13 TURBULENCE CLOSURE PARAMETERS", kDashes79,
     "*\n"
     "*  VKC       constant of the logarithmic velocity profile near the bed\n"
     "*  CTURB1    first constant of the turbulence closure\n"
     "*  CTURB2    second constant of the turbulence closure\n"
     "*  CTE1      first constant of the turbulent length scale equation\n"
     "*  CTE2      second constant of the turbulent length scale equation\n"
     "*  CTE3      third constant of the turbulent length scale equation\n"
     "*  QQMIN     smallest turbulent kinetic energy allowed\n"
     "*  QQLMIN    smallest product of turbulent energy and length scale allowed\n"
     "*  DMLMIN    smallest dimensionless turbulent length scale allowed\n"
     "*\n",
     "C13 VKC   CTURB1  CTURB2    CTE1    CTE2    CTE3   QQMIN  QQLMIN  DMLMIN",
     "      .4    16.6    10.1     1.8    1.33     .53 .00000001 .000000000001   .0001\n", false, false},
    {"C14 TIDAL & ATMOSPHERIC FORCING, GROUND WATER AND SUBGRID CHANNEL PARAMETERS", kDashes79,
     "*\n"
     "*  MTIDE     number of periodic (tidal) constituents used in the forcing\n"
     "*  NWSER     number of wind time series\n"
     "*  NASER     number of atmospheric condition time series\n"
     "*  ISGWI     1 includes exchange with the ground water\n"
     "*  ISCHAN    1 includes subgrid channels\n"
     "*  ISWAVE    1 includes the effects of surface waves\n"
     "*  ITIDASM   1 assimilates observed tides\n"
     "*  ISPERC    1 includes seepage (percolation) through the bottom\n"
     "*  ISBODYF   1 includes an external body force\n"
     "*  ISPNHYDS  1 corrects the pressure for non-hydrostatic effects\n"
     "*\n",
     "C14 MTIDE   NWSER   NASER   ISGWI  ISCHAN  ISWAVE ITIDASM  ISPERC ISBODYF ISPNHYDS",
     "       0       0       0       0       0       0       0       0       0       0\n", false, false},
    {"C15 PERIODIC FORCING (TIDAL) CONSTITUENT SYMBOLS AND PERIODS", kDashes79,
     "*\n"
     "*  One data line per periodic constituent (MTIDE lines).\n"
     "*  SYMBOL    name of the constituent, for example M2 or K1\n"
     "*  PERIOD    period of the constituent, in seconds\n"
     "*\n",
     "C15 SYMBOL   PERIOD", "", false, false},
    {"C16 SURFACE ELEVATION OR PRESSURE BOUNDARY CONDITION PARAMETERS", kDashes79,
     "*\n"
     "*  NPBS      number of open boundary cells with a given surface elevation\n"
     "*            on the south side\n"
     "*  NPBW      the same on the west side\n"
     "*  NPBE      the same on the east side\n"
     "*  NPBN      the same on the north side\n"
     "*  NPFOR     number of sets of periodic forcing at open boundaries\n"
     "*  NPFORT    1 lets the periodic forcing vary along a boundary\n"
     "*  NPSER     number of surface elevation time series at open boundaries\n"
     "*  PDGINIT   value added to the surface elevation everywhere at the start\n"
     "*\n",
     "C16  NPBS    NPBW    NPBE    NPBN   NPFOR  NPFORT   NPSER PDGINIT",
     "       0       0       0       0       0       0       0       0\n", false, false},
    {"C17 PERIODIC FORCING (TIDAL) SURF ELEV OR PRESSURE BOUNDARY COND. FORCINGS", kDashes79,
     "*\n"
     "*  For each forcing set, one data line per constituent.\n"
     "*  NPFOR     number of the forcing set\n"
     "*  SYMBOL    name of the constituent\n"
     "*  AMPLITUDE amplitude of the surface elevation (or pressure) variation\n"
     "*  PHASE     phase of the variation\n"
     "*\n",
     "C17 NPFOR SYMBOL AMPLITUDE PHASE", "", false, false},
    {"C18 PERIODIC FORCING (TIDAL) SURF ELEV OR PRESSURE ON SOUTH OPEN BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per open boundary cell with a given surface elevation on the\n"
     "*  south side.\n"
     "*  IPBS      I of the boundary cell\n"
     "*  JPBS      J of the boundary cell\n"
     "*  ISPBS     1 lets waves leave the model through this cell (radiation\n"
     "*            condition), 0 holds the given elevation\n"
     "*  NPFORS    forcing set of periodic constituents for this cell\n"
     "*  NPSERS    time series of surface elevation for this cell (0: none)\n"
     "*  TPCOORDS  position along the boundary used to vary the forcing\n"
     "*\n",
     "C18  IPBS    JPBS   ISPBS  NPFORS  NPSERS TPCOORDS", "", false, false},
    {"C19 PERIODIC FORCING (TIDAL) SURF ELEV OR PRESSURE ON WEST OPEN BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per open boundary cell with a given surface elevation on the\n"
     "*  west side.\n"
     "*  IPBW      I of the boundary cell\n"
     "*  JPBW      J of the boundary cell\n"
     "*  ISPBW     1 lets waves leave the model through this cell (radiation\n"
     "*            condition), 0 holds the given elevation\n"
     "*  NPFORW    forcing set of periodic constituents for this cell\n"
     "*  NPSERW    time series of surface elevation for this cell (0: none)\n"
     "*  TPCOORDW  position along the boundary used to vary the forcing\n"
     "*\n",
     "C19  IPBW    JPBW   ISPBW  NPFORW  NPSERW TPCOORDW", "", false, false},
    {"C20 PERIODIC FORCING (TIDAL) SURF ELEV OR PRESSURE ON EAST OPEN BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per open boundary cell with a given surface elevation on the\n"
     "*  east side.\n"
     "*  IPBE      I of the boundary cell\n"
     "*  JPBE      J of the boundary cell\n"
     "*  ISPBE     1 lets waves leave the model through this cell (radiation\n"
     "*            condition), 0 holds the given elevation\n"
     "*  NPFORE    forcing set of periodic constituents for this cell\n"
     "*  NPSERE    time series of surface elevation for this cell (0: none)\n"
     "*  TPCOORDE  position along the boundary used to vary the forcing\n"
     "*\n",
     "C20  IPBE    JPBE   ISPBE  NPFORE  NPSERE TPCOORDE", "", false, false},
    {"C21 PERIODIC FORCING (TIDAL) SURF ELEV OR PRESSURE ON NORTH OPEN BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per open boundary cell with a given surface elevation on the\n"
     "*  north side.\n"
     "*  IPBN      I of the boundary cell\n"
     "*  JPBN      J of the boundary cell\n"
     "*  ISPBN     1 lets waves leave the model through this cell (radiation\n"
     "*            condition), 0 holds the given elevation\n"
     "*  NPFORN    forcing set of periodic constituents for this cell\n"
     "*  NPSERN    time series of surface elevation for this cell (0: none)\n"
     "*  TPCOORDN  position along the boundary used to vary the forcing\n"
     "*\n",
     "C21  IPBN    JPBN   ISPBN  NPFORN  NPSERN TPCOORDN", "", false, false},
    {"C22 SPECIFY NUM OF SEDIMENT AND TOXICS AND NUM OF CONCENTRATION TIME SERIES", kDashes79,
     "*\n"
     "*  NTOX      number of toxic contaminants\n"
     "*  NSED      number of classes of cohesive sediment\n"
     "*  NSND      number of classes of non-cohesive sediment\n"
     "*  NSSER     number of salinity time series\n"
     "*  NTSER     number of temperature time series\n"
     "*  NDSER     number of dye time series\n"
     "*  NSFSER    number of shellfish larvae time series\n"
     "*  NTXSER    number of toxic contaminant time series\n"
     "*  NSDSER    number of cohesive sediment time series\n"
     "*  NSNSER    number of non-cohesive sediment time series\n"
     "*  ISSBAL    1 keeps a balance of the sediment mass\n"
     "*\n",
     "C22  NTOX    NSED    NSND   NSSER   NTSER   NDSER  NSFSER  NTXSER  NSDSER  NSNSER   ISSBAL",
     "       0       0       0       0       0       0       0       0       0       0       1\n", false, false},
    {"C23 VELOCITY, VOLUMN SOURCE/SINK, FLOW CONTROL, AND WITHDRAWAL/RETURN DATA", kDashes79,
     "*\n"
     "*  NVBS      number of cells on the south side with a given normal velocity\n"
     "*  NUBW      the same on the west side\n"
     "*  NUBE      the same on the east side\n"
     "*  NVBN      the same on the north side\n"
     "*  NQSIJ     number of cells with a volume source or sink\n"
     "*  NQJPIJ    number of jet or plume sources\n"
     "*  NQSER     number of flow time series of the sources and sinks\n"
     "*  NQCTL     number of flows that depend on surface elevations (weirs,\n"
     "*            gates and the like)\n"
     "*  NQCTLT    number of rating tables of those flows\n"
     "*  NQWR      number of withdrawal and return pairs\n"
     "*  NQWRSR    number of time series of withdrawal and return flows\n"
     "*  ISDIQ     1 writes the source and sink flows for checking\n"
     "*\n",
     "C23  NVBS    NUBW    NUBE    NVBN    NQSIJ  NQJPIJ   NQSER   NQCTL  NQCTLT   NQWR  NQWRSR   ISDIQ",
     "       0       0       0       0       0       0       0       0       0       0       0       0\n", false,
     false},
    {"C24 VOLUMETRIC SOURCE/SINK LOCATIONS, MAGNITUDES, AND CONCENTRATION SERIES", kDashes79,
     "*\n"
     "*  One data line per source or sink cell (NQSIJ lines).\n"
     "*  IQS, JQS  I and J of the cell\n"
     "*  QSSE      constant flow into the cell in m3/s (negative: out of it)\n"
     "*  NQSMUL    how the flow is spread over the layers of the cell\n"
     "*  NQSMFF    how the momentum of the flow enters the cell\n"
     "*  NQSERQ    flow time series added to the constant flow (0: none)\n"
     "*  NS- .. NSN-  concentration time series of salinity, temperature, dye,\n"
     "*            shellfish larvae, toxics, cohesive and non-cohesive sediment\n"
     "*            carried by the flow\n"
     "*  QSFACTOR  fraction of the time series flow that this cell takes\n"
     "*\n",
     "C24  IQS     JQS     QSSE     NQSMUL  NQSMFF  NQSERQ     NS-     NT-     ND-    NSF-    NTX-    NSD-    NSN-   "
     "QSFACTOR",
     "", false, false},
    {"C25 TIME CONSTANT INFLOW CONCENTRATIONS FOR TIME CONSTANT VOLUMETRIC SOURCES", kDashes79,
     "*\n"
     "*  One data line per source cell: the concentrations of salinity,\n"
     "*  temperature, dye, shellfish larvae and the toxics carried by a constant\n"
     "*  flow. The comment at the end names the cell.\n"
     "*\n",
     "C25 SAL TEM DYE SFL TOX1 !IQS JQS", "", false, false},
    {"C26 TIME CONSTANT INFLOW CONCENTRATIONS FOR TIME CONSTANT VOLUMETRIC SOURCES", kDashes79,
     "*\n"
     "*  One data line per source cell: the concentrations of each cohesive and\n"
     "*  non-cohesive sediment class carried by a constant flow.\n"
     "*\n",
     "C26 SED1 SND1", "", false, false},
    {"C27 JET/PLUME SOURCE LOCATIONS, GEOMETRY AND ENTRAINMENT PARAMETERS", kDashes79,
     "*\n"
     "*  One data line per jet or plume source.\n"
     "*  ID        number of the source\n"
     "*  ICAL      1 computes the jet, 0 leaves it out\n"
     "*  IQJP, JQJP, KQJP  I, J and layer of the cell where the jet enters\n"
     "*  NPORT     number of identical discharge ports\n"
     "*  XJET, YJET, ZJET  position of the discharge port\n"
     "*  PHJET     vertical angle of the jet\n"
     "*  THJET     horizontal angle of the jet\n"
     "*  DJET      diameter of the discharge port\n"
     "*  CFRD      factor of the spreading of the jet\n"
     "*  DJPER     tolerance of the entrainment computation\n"
     "*\n",
     "C27 ID ICAL IQJP JQJP KQJP NPORT XJET YJET ZJET PHJET THJET DJET CFRD DJPER", "", false, false},
    {"C28 JET/PLUME SOLUTION CONTROL AND OUTPUT CONTROL PARAMETERS", kDashes79,
     "*\n"
     "*  One data line per jet or plume source.\n"
     "*  ID        number of the source\n"
     "*  NJEL      largest number of elements followed along the jet\n"
     "*  NJPMX     largest number of iterations per element\n"
     "*  ISENT     how the jet entrains the surrounding water\n"
     "*  ISTJP     when the computation of the jet ends\n"
     "*  NUDJP     time steps between updates of the jet\n"
     "*  IOJP      1 writes the path of the jet\n"
     "*  IPJP      element at which the jet is written\n"
     "*  ISDJP     1 writes diagnostics of the jet\n"
     "*  IUPJP, JUPJP, KUPJP  I, J and layer of the cell the jet draws from\n"
     "*\n",
     "C28 ID NJEL NJPMX ISENT ISTJP NUDJP IOJP IPJP ISDJP IUPJP JUPJP KUPJP", "", false, false},
    {"C29 JET/PLUME SOURCE PARAMETERS AND DISCHARGE/CONCENTRATION SERIES IDS", kDashes79,
     "*\n"
     "*  One data line per jet or plume source.\n"
     "*  ID        number of the source\n"
     "*  QQJP      constant discharge of the jet in m3/s\n"
     "*  NQSERJP   flow time series of the jet (0: none)\n"
     "*  NQWRSERJP withdrawal and return time series that feeds the jet (0: none)\n"
     "*  NS- .. NSN-  concentration time series carried by the jet\n"
     "*\n",
     "C29 ID QQJP NQSERJP NQWRSERJP NS- NT- ND- NSF- NTX- NSD- NSN-", "", false, false},
    {"C30 TIME CONSTANT INFLOW CONCENTRATIONS FOR TIME CONSTANT JET/PLUME SOURCES", kDashes79,
     "*\n"
     "*  One data line per jet source: the concentrations of salinity,\n"
     "*  temperature, dye, shellfish larvae and the toxics of a constant jet.\n"
     "*\n",
     "C30 SAL TEM DYE SFL TOX1-20", "", false, false},
    {"C31 TIME CONSTANT INFLOW CONCENTRATIONS FOR TIME CONSTANT JET/PLUME SOURCES", kDashes79,
     "*\n"
     "*  One data line per jet source: the concentrations of each cohesive and\n"
     "*  non-cohesive sediment class of a constant jet.\n"
     "*\n",
     "C31 SED1 SND1 SND2 SND3", "", false, false},
    {"C32 SURFACE ELEV OR PRESSURE DEPENDENT FLOW INFORMATION", kDashes79,
     "*\n"
     "*  One data line per flow that depends on surface elevations.\n"
     "*  IQCTLU, JQCTLU  I and J of the upstream cell\n"
     "*  IQCTLD, JQCTLD  I and J of the downstream cell (0: the flow leaves\n"
     "*            the model)\n"
     "*  NQCTYP    type of the control: 0 the flow follows the upstream level,\n"
     "*            1 the difference of the two levels\n"
     "*  NQCTLQ    rating table that relates the levels to the flow\n"
     "*  NQCMUL    how the flow is spread over the layers\n"
     "*  NQC_U, NQC_D  momentum options at the upstream and downstream cells\n"
     "*  BQC_U, BQC_D  widths of the flow at the upstream and downstream cells\n"
     "*\n",
     "C32 IQCTLU JQCTLU IQCTLD JQCTLD NQCTYP NQCTLQ NQCMUL NQC_U NQC_D BQC_U BQC_D", "", false, false},
    {"C33 FLOW WITHDRAWAL, HEAT OR MATERIAL ADDITION, AND RETURN DATA", kDashes79,
     "*\n"
     "*  One data line per withdrawal and return pair.\n"
     "*  IWRU, JWRU, KWRU  I, J and layer where the water is withdrawn\n"
     "*  IWRD, JCWRD, KWRD  I, J and layer where it is returned\n"
     "*  QWRE      constant flow in m3/s\n"
     "*  NQW_RQ    time series of the flow and its rises (0: none)\n"
     "*  NQWR_U, NQWR_D  momentum options at the two cells\n"
     "*  BQWR_U, BQWR_D  widths of the flow at the two cells\n"
     "*  ANG_D     direction of the returned flow\n"
     "*\n",
     "C33 IWRU JWRU KWRU IWRD JCWRD KWRD QWRE NQW_RQ NQWR_U NQWR_D BQWR_U BQWR_D  ANG_D", "", false, false},
    {"C34 TIME CONSTANT WITHDRAWAL AND RETURN CONCENTRATION RISES", kDashes79,
     "*\n"
     "*  One data line per withdrawal and return pair: the rise of salinity,\n"
     "*  temperature, dye, shellfish larvae and the toxics between the water\n"
     "*  withdrawn and the water returned.\n"
     "*\n",
     "C34 SALT TEMP DYEC SFLC TOX1", "", false, false},
    {"C35 TIME CONSTANT WITHDRAWAL AND RETURN CONCENTRATION RISES", kDashes79,
     "*\n"
     "*  One data line per withdrawal and return pair: the rise of each sediment\n"
     "*  class between the water withdrawn and the water returned.\n"
     "*\n",
     "C35 SED1 SND1 SND2", "", false, false},
    {"C36 SEDIMENT INITIALIZATION AND WATER COLUMN/BED REPRESENTATION OPTIONS", kDashes79,
     "*\n"
     "*  ISEDINT   how the sediment in the water starts: 0 constant, 1 from a file\n"
     "*  ISEDBINT  how the sediment in the bed starts: 0 constant, 1 from a file\n"
     "*  ISEDWC    1 lets cohesive sediment settle and resuspend\n"
     "*  ISMUD     1 includes fluid mud\n"
     "*  ISNDWC    1 lets non-cohesive sediment settle and resuspend\n"
     "*  ISEDVW    how the settling velocity of cohesive sediment is found\n"
     "*  ISNDVW    how the settling velocity of non-cohesive sediment is found\n"
     "*  KB        largest number of layers in the sediment bed\n"
     "*  ISDTXBUG  1 writes diagnostics of sediment and toxic transport\n"
     "*\n",
     "C36 ISEDINT ISEDBINT ISEDWC ISMUD  ISNDWC  ISEDVW  ISNDVW    KB ISDTXBUG", "", false, false},
    {"C36a SEDIMENT INITIALIZATION/BED SHEAR STRESS REPRESENTATION OPTIONS", kDashes79,
     "*\n"
     "*  ISBEDSTR  how the bed stress that moves the sediment is found:\n"
     "*            0 the stress of the flow on the bed as a whole\n"
     "*            1 the part of the flow stress due to the grains alone\n"
     "*            2 like 1, with one grain roughness for the whole model\n"
     "*            3 like 1, with the grain roughness height of every cell\n"
     "               READ FROM FILE SEDROUGH.INP*\n"
     "*  ISBSDFUF  1 corrects the bed stress for the density of the water\n"
     "*  COEFTSBL  coefficient of the grain part of the bed stress\n"
     "*  VISMUDST  viscosity of the water in the bed stress relation, in m2/s\n"
     "*\n",
     "C36a ISBEDSTR ISBSDFUF COEFTSBL VISMUDST", "", false, false},
    {"C36b SEDIMENT INITIALIZATION AND WATER COLUMN/BED REPRESENTATION OPTIONS", kDashes79,
     "*\n"
     "*  ISEDAL    1 includes armouring of a bed of cohesive sediment\n"
     "*  ISNDAL    1 includes armouring of a bed of non-cohesive sediment\n"
     "*  IALTYP    how the active layer on top of the bed is kept\n"
     "*  IALSTUP   1 builds the active layer when the run starts\n"
     "*  ISEDEFF   how a mixed bed changes the erosion of cohesive sediment\n"
     "*  HBEDAL    thickness of the active layer, in metres\n"
     "*  COEHEFF   first coefficient of the mixed bed erosion\n"
     "*  COEHEFF2  second coefficient of the mixed bed erosion\n"
     "*\n",
     "C36b ISEDAL ISNDAL IALTYP IALSTUP ISEDEFF HBEDAL COEHEFF COEHEFF2", "", false, false},
    {"C37 BED MECHANICAL PROPERTIES PARAMETER SET 1", kDashes79,
     "*\n"
     "*  ISEDDT    number of flow time steps per sediment bed time step\n"
     "*  IBMECH    how the bed consolidates: 0 fixed porosity, 1 simple\n"
     "*            consolidation, 2 finite strain consolidation\n"
     "*  IMORPH    1 lets the bed elevation follow erosion and deposition\n"
     "*  HBEDMAX   largest thickness of the top layer of the bed, in metres\n"
     "*  BEDPORC   porosity of the cohesive bed\n"
     "*  SEDMDMX   largest bed stress at which fluid mud still settles\n"
     "*  SEDMDMN   smallest such stress\n"
     "*  SEDVDRD   void ratio of freshly deposited cohesive sediment\n"
     "*  SEDVDRM   void ratio of the fully consolidated cohesive bed\n"
     "*  SEDVRDT   time scale of the consolidation, in days\n"
     "*\n",
     "C37 ISEDDT IBMECH IMORPH HBEDMAX BEDPORC SEDMDMX SEDMDMN SEDVDRD SEDVDRM SEDVRDT", "", false, false},
    {"C38 BED MECHANICAL PROPERTIES PARAMETER SET 2", kDashes79,
     "*\n"
     "*  IBMECHK   units of the hydraulic conductivity of the bed\n"
     "*  BMECH1 .. BMECH6  coefficients of the relations between void ratio,\n"
     "*            effective stress and hydraulic conductivity of the bed\n"
     "*\n",
     "C38 IBMECHK BMECH1 BMECH2 BMECH3 BMECH4 BMECH5 BMECH6", "", false, false},
    {"C39 COHESIVE SEDIMENT PARAMETER SET 1 REPEAT DATA LINE NSED TIMES", kDashes79,
     "*\n"
     "*  One data line per class of cohesive sediment (NSED lines).\n"
     "*  SEDO      constant starting concentration in the water, in mg/l\n"
     "*  SEDBO     constant starting amount in the bed\n"
     "*  SDEN      specific volume of the sediment grains\n"
     "*  SSG       specific gravity of the sediment grains\n"
     "*  WSEDO     settling velocity, in m/s\n"
     "*  SEDSN     reference concentration of the hindered settling\n"
     "*  SEXP      exponent of the hindered settling\n"
     "*  TAUD      bed stress below which the sediment deposits\n"
     "*  ISEDSCOR  1 corrects the settling for stratification\n"
     "*\n",
     "C39 SEDO SEDBO  SDEN   SSG WSEDO SEDSN SEXP TAUD ISEDSCOR", "", false, false},
    {"C40 COHESIVE SEDIMENT PARAMETER SET 2 REPEAT DATA LINE NSED TIMES", kDashes79,
     "*\n"
     "*  One data line per class of cohesive sediment (NSED lines).\n"
     "*  IWRSP     how the erosion rate is found: 0 constant, above 0 from\n"
     "*            a relation with the bed state\n"
     "*  IWRSPB    how the critical stress of erosion is found\n"
     "*  WRSPO     reference erosion rate\n"
     "*  TAUR      critical bed stress of erosion\n"
     "*  TAUN      stress that scales the excess stress of erosion\n"
     "*  TEXP      exponent of the excess stress\n"
     "*  VDRRSPO   reference void ratio of the erosion relation\n"
     "*  COSEDHID  coefficient of hiding among the sediment classes\n"
     "*\n",
     "C40  IWRSP  IWRSPB  WRSPO   TAUR    TAUN   TEXP  VDRRSPO  COSEDHID", "", false, false},
    {"C41 NON-COHESIVE SEDIMENT PARAMETER SET 1 REPEAT DATA LINE NSND TIMES", kDashes79,
     "*\n"
     "*  One data line per class of non-cohesive sediment (NSND lines).\n"
     "*  SNDO      constant starting concentration in the water, in mg/l\n"
     "*  SNDBO     constant starting amount in the bed\n"
     "*  SDEN      specific volume of the sediment grains\n"
     "*  SSG       specific gravity of the sediment grains\n"
     "*  SNDDIA    grain diameter, in metres\n"
     "*  WSNDO     settling velocity, in m/s\n"
     "*  SNDN      reference concentration of the hindered settling\n"
     "*  SEXP      exponent of the hindered settling\n"
     "*  TAUD      bed stress below which the sediment deposits\n"
     "*  ISNDSCOR  1 corrects the settling for stratification\n"
     "*\n",
     "C41 SNDO SNDBO  SDEN   SSG SNDDIA WSNDO SNDN SEXP TAUD ISNDSCOR", "", false, false},
    {"C42 NON-COHESIVE SEDIMENT PARAMETER SET 2 REPEAT DATA LINE NSND TIMES", kDashes79,
     "*\n"
     "*  One data line per class of non-cohesive sediment (NSND lines).\n"
     "*  ISNDEQ    which relation gives the equilibrium concentration near the bed\n"
     "*  ISBDLD    which relation gives the bed load\n"
     "*  TAUR      critical bed stress of motion (when not computed)\n"
     "*  TAUN      stress that scales the excess stress\n"
     "*  TCSHIELDS critical dimensionless bed stress of motion\n"
     "*  ISLTAUC   how the critical stress of suspension is found\n"
     "*  IBLTAUC   how the critical stress of bed load is found\n"
     "*  IROUSE    how the suspension profile number is found\n"
     "*  ISNDM1, ISNDM2  options of armouring in a mixed bed\n"
     "*  RSNDM     ratio used by the armouring options\n"
     "*\n",
     "C42 ISNDEQ ISBDLD  TAUR    TAUN TCSHIELDS ISLTAUC IBLTAUC IROUSE  ISNDM1  ISNDM2   RSNDM", "", false, false},
    {"C42A NON-COHESIVE SEDIMENT PARAMETER SET 3 (BED LOAD FORMULA PARAMETERS)", kDashes79,
     "*\n"
     "*  IBEDLD    which bed load relation is used\n"
     "*  SBDLDA    first coefficient of the bed load relation\n"
     "*  SBDLDB    second coefficient of the bed load relation\n"
     "*  SBDLDG1 .. SBDLDG4  further coefficients of the bed load relation\n"
     "*  SBDLDP    exponent of the bed load relation\n"
     "*  ISBLFUC   how bed load is shared between neighbouring cells\n"
     "*  BLBSNT    factor of the effect of the bed slope on the bed load\n"
     "*\n",
     "C42a IBEDLD SBDLDA SBDLDB SBDLDG1 SBDLDG2 SBDLDG3 SBDLDG4 SBDLDP ISBLFUC BLBSNT", "", false, false},
    {"C43 TOXIC CONTAMINANT INITIAL CONDITIONS AND PARAMETERS", kDashes79,
     "*\n"
     "*  One data line per toxic contaminant (NTOX lines).\n"
     "*  NTOXN     number of the contaminant\n"
     "*  ITXINT    how the contaminant starts: 0 constant, 1 from a file\n"
     "*  ITXBDUT   1 includes transport of the contaminant by the bed\n"
     "*  TOXINTW   starting concentration in the water\n"
     "*  TOXINTB   starting concentration in the bed\n"
     "*  RKTOXW    decay rate in the water, per day\n"
     "*  TKTOXW    reference temperature of the decay in the water\n"
     "*  RKTOXB    decay rate in the bed, per day\n"
     "*  TRTOXB    reference temperature of the decay in the bed\n"
     "*  COMMENTS  name of the contaminant, for the reader only\n"
     "*\n",
     "C43 NTOXN ITXINT ITXBDUT TOXINTW TOXINTB RKTOXW TKTOXW RKTOXB TRTOXB COMMENTS", "", false, false},
    {"C44 ADDITIONAL TOXIC CONTAMINANT PARAMETERS", kDashes79,
     "*\n"
     "*  One data line per toxic contaminant (NTOX lines).\n"
     "*  NTOXN     number of the contaminant\n"
     "*  ISTOC     how the contaminant binds to organic carbon\n"
     "*  VOLTOX    1 lets the contaminant escape to the air\n"
     "*  RMOLTX    molecular weight of the contaminant\n"
     "*  RKTOXP    rate of breakdown by light\n"
     "*  SKTOXP    light intensity that the rate of breakdown refers to\n"
     "*  DIFTOX    diffusivity of the dissolved contaminant in the bed water\n"
     "*  DIFTOXS   diffusivity across the interface of bed and water\n"
     "*  PDIFTOX   diffusivity of the contaminant bound to particles\n"
     "*  DPDIFTOX  depth over which the bound contaminant is mixed\n"
     "*\n",
     "C44 NTOXN ISTOC VOLTOX RMOLTX RKTOXP SKTOXP DIFTOX DIFTOXS PDIFTOX DPDIFTOX", "", false, false},
    {"C45 TOXIC CONTAMINANT SEDIMENT INTERACTION PARAMETERS", kDashes79,
     "*\n"
     "*  One data line for every pair of toxic contaminant and sediment class.\n"
     "*  NTOXN     number of the contaminant\n"
     "*  NSEDN     number of the sediment class\n"
     "*  ITXPARW   how the partition in the water is given\n"
     "*  TOXPARW   partition coefficient in the water\n"
     "*  CONPARW   concentration exponent of the partition in the water\n"
     "*  ITXPARB   how the partition in the bed is given\n"
     "*  TOXPARB   partition coefficient in the bed\n"
     "*  CONPARB   concentration exponent of the partition in the bed\n"
     "*  COMMENTS  for the reader only\n"
     "*\n",
     "C45 NTOXN NSEDN ITXPARW TOXPARW CONPARW ITXPARB TOXPARB CONPARB COMMENTS", "", false, false},
    {"C45A TOXIC CONTAMINANT ORGANIC CARBON INTERACTION PARAMETERS", kDashes79,
     "*\n"
     "*  ISTDOCW   1 includes binding to dissolved organic carbon in the water\n"
     "*  ISTPOCW   how particulate organic carbon in the water is given\n"
     "*  ISTDOCB   1 includes binding to dissolved organic carbon in the bed\n"
     "*  ISTPOCB   how particulate organic carbon in the bed is given\n"
     "*  STDOCWC   dissolved organic carbon in the water, in mg/l\n"
     "*  STPOCWC   particulate organic carbon in the water, in mg/l\n"
     "*  STDOCBC   dissolved organic carbon in the bed water, in mg/l\n"
     "*  STPOCBC   particulate organic carbon in the bed, in mg/l\n"
     "*\n",
     "C45A ISTDOCW ISTPOCW ISTDOCB ISTPOCB STDOCWC STPOCWC STDOCBC STPOCBC", "", false, false},
    {"C45B TOXIC CONTAMINANT ORGANIC CARBON INTERACTION PARAMETERS", kDashes79,
     "*\n"
     "*  One data line for every pair of toxic contaminant and carbon fraction.\n"
     "*  NTOXN     number of the contaminant\n"
     "*  NOC       number of the organic carbon fraction\n"
     "*  ITXPARW   how the partition in the water is given\n"
     "*  TOXPARW   partition coefficient in the water\n"
     "*  CONPARW   concentration exponent of the partition in the water\n"
     "*  ITXPARB   how the partition in the bed is given\n"
     "*  TOXPARB   partition coefficient in the bed\n"
     "*  CONPARB   concentration exponent of the partition in the bed\n"
     "*  *CARBON*  name of the carbon fraction, for the reader only\n"
     "*\n",
     "C45B NTOXN  NOC ITXPARW TOXPARW CONPARW ITXPARB TOXPARB CONPARB  *CARBON*", "", false, false},
    {"C45C TOXIC CONTAMINANT POC FRACTIONAL DISTRIBUTIONS IN WATER COLUMN", kBlankDashes79,
     "*\n"
     "*  One data line per toxic contaminant.\n"
     "*  NTOXN     number of the contaminant\n"
     "*  FPOCSED1  fraction of the particulate organic carbon in the water that\n"
     "*            is carried by the cohesive sediment\n"
     "*  FPOCSND1 .. FPOCSND3  the fractions carried by each non-cohesive class\n"
     "*\n",
     "C45C NTOXN  FPOCSED1  FPOCSND1  FPOCSND2 FPOCSND3", "", false, false},
    {"C45D TOXIC CONTAMINANT POC FRACTIONAL DISTRIBUTIONS IN SEDIMENT BED", kBlankDashes79,
     "*\n"
     "*  One data line per toxic contaminant.\n"
     "*  NTOXN     number of the contaminant\n"
     "*  FPOCSED1  fraction of the particulate organic carbon in the bed that is\n"
     "*            carried by the cohesive sediment\n"
     "*  FPOCSND1 .. FPOCSND3  the fractions carried by each non-cohesive class\n"
     "*\n",
     "C45D NTOXN  FPOCSED1  FPOCSND1  FPOCSND2 FPOCSND3", "", false, false},
    {"C46 BUOYANCY, TEMPERATURE, DYE DATA AND CONCENTRATION BC DATA", kDashes79,
     "*\n"
     "*  BSC       1 lets salinity change the density of the water\n"
     "*  TEMO      temperature of the water when temperature is not computed\n"
     "*  HEQT      equilibrium temperature of the surface heat exchange\n"
     "*  RKDYE     decay rate of the dye, per second\n"
     "*  NCBS      number of concentration boundary cells on the south side\n"
     "*  NCBW      the same on the west side\n"
     "*  NCBE      the same on the east side\n"
     "*  NCBN      the same on the north side\n"
     "*\n",
     "C46    BSC TEMO HEQT     RKDYE NCBS NCBW NCBE NCBN", "         1   20    0 0.000E+00    0    0    0    0\n",
     false, false},
    {"C47 LOCATION OF CONC BC'S ON SOUTH BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per cell on the south side where concentrations are given.\n"
     "*  IBBS      I of the boundary cell\n"
     "*  JBBS      J of the boundary cell\n"
     "*  NTSCRS    time steps that water leaving the model needs to be replaced\n"
     "*            completely by the boundary concentration when the flow turns\n"
     "*  NSSERS    salinity time series of the cell (0: the constants below)\n"
     "*  NTSERS    temperature time series\n"
     "*  NDSERS    dye time series\n"
     "*  NSFSERS   shellfish larvae time series\n"
     "*  NTXSERS   toxic contaminant time series\n"
     "*  NSDSERS   cohesive sediment time series\n"
     "*  NSNSERS   non-cohesive sediment time series\n"
     "*\n",
     "C47   IBBS JBBS  NTSCRS  NSSERS  NTSERS  NDSERS NSFSERS NTXSERS NSDSERS NSNSERS", "", true, false},
    {"C48 TIME CONSTANT BOTTOM CONC ON SOUTH CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the south side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C48 SAL TEM DYE SFL TOX1", "", false, false},
    {"C49 TIME CONSTANT BOTTOM CONC ON SOUTH CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the south side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C49 SED1 SND1 SND2 SND3", "", false, false},
    {"C50 TIME CONSTANT SURFACE CONC ON SOUTH CONC BOUNDARIES", kDashes78,
     "*\n"
     "*  One data line per concentration boundary cell on the south side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C50 SAL TEM DYE SFL TOX1", "", false, false},
    {"C51 TIME CONSTANT SURFACE CONC ON SOUTH CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the south side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C51 SED1 SND1 SND2 SND3", "", false, false},
    {"C52 LOCATION OF CONC BC'S ON WEST BOUNDARIES AND SERIES IDENTIFIERS", kDashes79,
     "*\n"
     "*  One data line per cell on the west side where concentrations are given.\n"
     "*  IBBW      I of the boundary cell\n"
     "*  JBBW      J of the boundary cell\n"
     "*  NTSCRW    time steps that water leaving the model needs to be replaced\n"
     "*            completely by the boundary concentration when the flow turns\n"
     "*  NSSERW    salinity time series of the cell (0: the constants below)\n"
     "*  NTSERW    temperature time series\n"
     "*  NDSERW    dye time series\n"
     "*  NSFSERW   shellfish larvae time series\n"
     "*  NTXSERW   toxic contaminant time series\n"
     "*  NSDSERW   cohesive sediment time series\n"
     "*  NSNSERW   non-cohesive sediment time series\n"
     "*\n",
     "C52 IBBW JBBW NTSCRW NSSERW NTSERW NDSERW NSFSERW NTXSERW NSDSERW NSNSERW", "", false, false},
    {"C53 TIME CONSTANT BOTTOM CONC ON WEST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the west side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C53 SAL TEM DYE SFL TOX1", "", false, false},
    {"C54 TIME CONSTANT BOTTOM CONC ON WEST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the west side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C54 SED1 SND1", "", false, false},
    {"C55 TIME CONSTANT SURFACE CONC ON WEST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the west side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C55 SAL TEM DYE SFL TOX1", "", false, false},
    {"C56 TIME CONSTANT SURFACE CONC ON WEST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the west side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C56 SED1 SND1", "", false, false},
    {"C57 LOCATION OF CONC BC'S ON EAST BOUNDARIES AND SERIES IDENTIFIERS", kDashes79,
     "*\n"
     "*  One data line per cell on the east side where concentrations are given.\n"
     "*  IBBE      I of the boundary cell\n"
     "*  JBBE      J of the boundary cell\n"
     "*  NTSCRE    time steps that water leaving the model needs to be replaced\n"
     "*            completely by the boundary concentration when the flow turns\n"
     "*  NSSERE    salinity time series of the cell (0: the constants below)\n"
     "*  NTSERE    temperature time series\n"
     "*  NDSERE    dye time series\n"
     "*  NSFSERE   shellfish larvae time series\n"
     "*  NTXSERE   toxic contaminant time series\n"
     "*  NSDSERE   cohesive sediment time series\n"
     "*  NSNSERE   non-cohesive sediment time series\n"
     "*\n",
     "C57 IBBE JBBE NTSCRE NSSERE NTSERE NDSERE NSFSERE NTXSERE NSDSERE NSNSERE", "", false, false},
    {"C58 TIME CONSTANT BOTTOM CONC ON EAST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the east side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C58 SAL TEM DYE SFL TOX1", "", false, false},
    {"C59 TIME CONSTANT BOTTOM CONC ON EAST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the east side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C59 SED1 SND1", "", false, false},
    {"C60 TIME CONSTANT SURFACE CONC ON EAST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the east side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C60 SAL TEM DYE SFL TOX1", "", false, false},
    {"C61 TIME CONSTANT SURFACE CONC ON EAST CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the east side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C61 SED1 SND1", "", false, false},
    {"C62 LOCATION OF CONC BC'S ON NORTH BOUNDARIES AND SERIES IDENTIFIERS", kDashes79,
     "*\n"
     "*  One data line per cell on the north side where concentrations are given.\n"
     "*  IBBN      I of the boundary cell\n"
     "*  JBBN      J of the boundary cell\n"
     "*  NTSCRN    time steps that water leaving the model needs to be replaced\n"
     "*            completely by the boundary concentration when the flow turns\n"
     "*  NSSERN    salinity time series of the cell (0: the constants below)\n"
     "*  NTSERN    temperature time series\n"
     "*  NDSERN    dye time series\n"
     "*  NSFSERN   shellfish larvae time series\n"
     "*  NTXSERN   toxic contaminant time series\n"
     "*  NSDSERN   cohesive sediment time series\n"
     "*  NSNSERN   non-cohesive sediment time series\n"
     "*\n",
     "C62 IBBN JBBN NTSCRN NSSERN NTSERN NDSERN NSFSERN NTXSERN NSDSERN NSNSERN", "", false, false},
    {"C63 TIME CONSTANT BOTTOM CONC ON NORTH CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the north side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C63 SAL TEM DYE SFL TOX1-20", "", false, false},
    {"C64 TIME CONSTANT BOTTOM CONC ON NORTH CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the north side:\n"
     "*  the concentrations in the bottom layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C64 SED1 SED2 SND1 SND2 SND3", "", false, false},
    {"C65 TIME CONSTANT SURFACE CONC ON NORTH CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the north side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for salinity (SAL), temperature (TEM), dye (DYE),\n"
     "*  shellfish larvae (SFL) and the toxics (TOX).\n"
     "*\n",
     "C65 SAL TEM DYE SFL TOX1-20", "", false, false},
    {"C66 TIME CONSTANT SURFACE CONC ON NORTH CONC BOUNDARIES", kDashes79,
     "*\n"
     "*  One data line per concentration boundary cell on the north side:\n"
     "*  the concentrations in the top layer of the water that flows in across\n"
     "*  the boundary, for each cohesive (SED) and non-cohesive (SND) sediment\n"
     "*  class.\n"
     "*\n",
     "C66 SED1 SED2 SND1 SND2 SND3", "", false, false},
    {"C66A CONCENTRATION DATA ASSIMILATION", kDashes79,
     "*\n"
     "*  NLCDA     number of cells where observed concentrations are assimilated\n"
     "*  TSCDA     time scale with which the model is drawn towards the observed\n"
     "*            concentrations\n"
     "*  ISCDA     one switch per transported quantity: 1 assimilates it\n"
     "*\n",
     "C66A NLCDA TSCDA ISCDA", "       0      .5       0       0       0       0       0       0       0\n", false,
     false},
    {"C66B CONCENTRATION DATA ASSIMILATION", kDashes79,
     "*\n"
     "*  One data line per cell where concentrations are assimilated.\n"
     "*  ITPCDA    type of the observation: 0 a cell value, 1 a time series\n"
     "*  ICDA, JCDA    I and J of the cell that is adjusted\n"
     "*  ICCDA, JCCDA  I and J of the cell the observed value is taken from\n"
     "*  NS .. NSN time series of the observed salinity, temperature, dye,\n"
     "*            shellfish larvae, toxics, cohesive and non-cohesive sediment\n"
     "*\n",
     "C66B ITPCDA ICDA    JCDA   ICCDA   JCCDA     NS      NT      ND     NSF     NTX     NSD     NSN", "", false,
     false},
    {"C67 DRIFTER DATA (FIRST 4 PARAMETER FOR SUB DRIFER, SECOND 6 FOR SUB LAGRES)", kDashes79,
     "*\n"
     "*  The first four values control the tracking of single drifters, the\n"
     "*  other values the residual particle tracking.\n"
     "*  ISPD      1 tracks drifters\n"
     "*  NPD       number of drifters\n"
     "*  NPDRT     time step at which the drifters are released\n"
     "*  NWPD      time steps between writes of the drifter positions\n"
     "*  ISLRPD    1 tracks particles for the residual transport\n"
     "*  ILRPD1, ILRPD2  first and last I of the region of the particles\n"
     "*  JLRPD1, JLRPD2  first and last J of the region of the particles\n"
     "*  MLRPDRT   reference periods over which the particles are tracked\n"
     "*  IPLRPD    what is written of the particle tracks\n"
     "*\n",
     "C67 ISPD NPD NPDRT NWPD ISLRPD ILRPD1 ILRPD2 JLRPD1 JLRPD2 MLRPDRT IPLRPD",
     "       0       0       0       0       0       0       0       0       0       0       2\n", false, false},
    {"C68 INITIAL DRIFTER POSITIONS (FOR USE WITH SUB DRIFTER)", kDashes79,
     "*\n"
     "*  One data line per drifter (NPD lines).\n"
     "*  RI        starting position in I, in cell units\n"
     "*  RJ        starting position in J, in cell units\n"
     "*  RK        starting position in the vertical, in layer units\n"
     "*\n",
     "C68 RI RJ RK", "", false, false},
    {"C69 CONSTANTS FOR CARTESION GRID CELL CENTER LONGITUDE AND LATITUDE", kDashes79,
     "*\n"
     "*  Constants that give longitude and latitude of the cell centres of a\n"
     "*  rectangular grid from the cell indices:\n"
     "*  CDLON1, CDLON2, CDLON3  longitude = CDLON1 + (CDLON2 * I + CDLON3) / 60\n"
     "*  CDLAT1, CDLAT2, CDLAT3  latitude = CDLAT1 + (CDLAT2 * J + CDLAT3) / 60\n"
     "*\n",
     "C69 CDLON1 CDLON2 CDLON3 CDLAT1 CDLAT2 CDLAT3", "       0       0       0       0       0       0\n", false,
     false},
    {"C70 CONTROLS FOR WRITING ASCII OR BINARY DUMP FILES", kDashes79,
     "*\n"
     "*  ISDUMP    1 writes dump files of the model fields, in text or binary\n"
     "*  ISADMP    1 writes the dumps as scaled integers\n"
     "*  NSDUMP    time steps between dumps\n"
     "*  TSDUMP    time at which the dumps start\n"
     "*  TEDUMP    time at which the dumps end\n"
     "*  ISDMPP    1 dumps the surface elevation\n"
     "*  ISDMPU    1 dumps the horizontal velocities\n"
     "*  ISDMPW    1 dumps the vertical velocity\n"
     "*  ISDMPT    1 dumps the transported quantities\n"
     "*  IADJDMP   value added to the scaled integers of the dumps\n"
     "*\n",
     "C70 ISDUMP ISADMP NSDUMP TSDUMP TEDUMP ISDMPP ISDMPU ISDMPW ISDMPT IADJDMP",
     "       0       0     864       0     731       0       0       0       1  -32768\n", false, false},
    {"C71 CONTROLS FOR HORIZONTAL PLANE SCALAR FIELD CONTOURING", kDashes79,
     "*\n"
     "*  One data line per transported quantity, named by the comment at the\n"
     "*  end of the line.\n"
     "*  ISSPH     1 writes the field in the horizontal plane for contouring\n"
     "*  NPSPH     number of writes per reference period\n"
     "*  ISRSPH    1 writes the residual field as well\n"
     "*  ISPHXY    which positions are written with the values\n"
     "*\n",
     "C71 ISSPH NPSPH ISRSPH ISPHXY",
     "       0       1       0       3    !SAL\n"
     "       0       1       0       3    !TEM\n"
     "       0       1       0       3    !DYE\n"
     "       1       1       0       3    !SFL\n"
     "       0       1       0       3    !TOX\n"
     "       0       1       0       3    !SED\n"
     "       0       1       0       3    !SND\n",
     false, false},
    {"C71A CONTROLS FOR HORIZONTAL PLANE SEDIMENT BED PROPERTIES CONTOURING", kDashes79,
     "*\n"
     "*  ISBPH     1 writes the sediment bed properties for contouring\n"
     "*  ISBEXP    1 writes them in a form for other programs\n"
     "*  NPBPH     number of writes per reference period\n"
     "*  ISRBPH    1 writes residual values as well\n"
     "*  ISBBDN    1 writes the bulk density of the bed\n"
     "*  ISBLAY    1 writes the thickness of the bed layers\n"
     "*  ISBPOR    1 writes the porosity of the bed\n"
     "*  ISBSED    1 writes the cohesive sediment in the bed\n"
     "*  ISBSND    1 writes the non-cohesive sediment in the bed\n"
     "*  ISBVDR    1 writes the void ratio of the bed\n"
     "*\n",
     "C71A ISBPH ISBEXP NPBPH ISRBPH ISBBDN ISBLAY ISBPOR ISBSED ISBSND ISBVDR",
     "       0       0       0       0       0       0       0       0       0       0       0\n", false, false},
    {"C71B FOOD CHAIN MODEL OUTPUT CONTROL", kDashes79,
     "*\n"
     "*  ISFDCH    1 writes output for a food chain model\n"
     "*  NFDCHZ    number of zones of the food chain output\n"
     "*  HBFDCH    thickness of the bed layer the food chain output covers\n"
     "*  TFCAVG    averaging time of the food chain output, in seconds\n"
     "*\n",
     "C71B ISFDCH NFDCHZ HBFDCH TFCAVG", "       0       0       0       0\n", false, false},
    {"C72 CONTROLS FOR HORIZONTAL SURFACE ELEVATION OR PRESSURE CONTOURING", kDashes79,
     "*\n"
     "*  ISPPH     1 writes the surface elevation for contouring\n"
     "*  NPPPH     number of writes per reference period\n"
     "*  ISRPPH    1 writes the residual surface elevation as well\n"
     "*  IPPHXY    which positions are written with the values\n"
     "*\n",
     "C72 ISPPH NPPPH ISRPPH IPPHXY", "       1       1       0       3\n", false, false},
    {"C73 CONTROLS FOR HORIZONTAL PLANE VELOCITY VECTOR PLOTTING", kDashes79,
     "*\n"
     "*  ISVPH     1 writes the horizontal velocities for vector plots\n"
     "*  NPVPH     number of writes per reference period\n"
     "*  ISRVPH    1 writes the residual velocities as well\n"
     "*  IVPHXY    which positions are written with the values\n"
     "*\n",
     "C73 ISVPH NPVPH ISRVPH IVPHXY", "       1       1       0       3\n", false, false},
    {"C74 CONTROLS FOR VERTICAL PLANE SCALAR FIELD CONTOURING", kDashes79,
     "*\n"
     "*  One data line per transported quantity, named by the comment at the\n"
     "*  end of the line.\n"
     "*  ISECSPV   number of vertical sections written\n"
     "*  NPSPV     number of writes per reference period\n"
     "*  ISSPV     1 writes the field in vertical sections for contouring\n"
     "*  ISRSPV    1 writes the residual field as well\n"
     "*  ISHPLTV   1 writes the field against height instead of layer number\n"
     "*\n",
     "C74 ISECSPV NPSPV ISSPV ISRSPV ISHPLTV",
     "       0       0       0       0       0    !SAL\n"
     "       0       0       0       0       0    !TEM\n"
     "       0       0       0       0       0    !DYE\n"
     "       0       0       0       0       0    !SFL\n"
     "       0       0       0       0       0    !TOX\n"
     "       0       0       0       0       0    !SED\n"
     "       0       0       0       0       0    !SND\n",
     false, false},
    {"C75 MORE CONTROLS FOR VERTICAL PLANE SCALAR FIELD CONTOURING", kDashes79,
     "*\n"
     "*  One data line per vertical section.\n"
     "*  ISECSPV   number of the section\n"
     "*  NIJSPV    number of cells along the section\n"
     "*  SEC ID    name of the section, for the reader only\n"
     "*\n",
     "C75 ISECSPV NIJSPV SEC ID", "", false, false},
    {"C76 I,J LOCATIONS FOR VERTICAL PLANE SCALAR FIELD CONTOURING", kDashes79,
     "*\n"
     "*  One data line per cell of each vertical section, in order along it.\n"
     "*  ISECSPV   number of the section\n"
     "*  ISPV      I of the cell\n"
     "*  JSPV      J of the cell\n"
     "*\n",
     "C76 ISECSPV ISPV JSPV", "", false, false},
    {"C77 CONTROLS FOR VERTICAL PLANE VELOCITY VECTOR PLOTTING", kDashes79,
     "*\n"
     "*  ISECVPV   number of vertical sections for velocity plots\n"
     "*  NPVPV     number of writes per reference period\n"
     "*  ISVPV     1 writes the velocities in the sections\n"
     "*  ISRSPV    1 writes the residual velocities as well\n"
     "*\n",
     "C77 ISECVPV NPVPV ISVPV ISRSPV", "       0       1       1       0\n", false, false},
    {"C78 MORE CONTROLS FOR VERTICAL PLANE VELOCITY VECTOR PLOTTING", kDashes79,
     "*\n"
     "*  One data line per vertical velocity section.\n"
     "*  ISECVPV   number of the section\n"
     "*  NIJVPV    number of cells along the section\n"
     "*  ANGVPV    direction of the section, in degrees\n"
     "*  SEC ID    name of the section, for the reader only\n"
     "*\n",
     "C78 ISECVPV NIJVPV ANGVPV SEC ID", "", false, false},
    {"C79 CONTROLS FOR VERTICAL PLANE VELOCITY PLOTTING", kDashes79,
     "*\n"
     "*  One data line per cell of each vertical velocity section.\n"
     "*  ISECVPV   number of the section\n"
     "*  IVPV      I of the cell\n"
     "*  JVPV      J of the cell\n"
     "*\n",
     "C79 ISECVPV IVPV JVPV", "", false, false},
    {"C80 CONTROLS FOR 3D FIELD OUTPUT", kDashes79,
     "*\n"
     "*  IS3DO     1 writes the model fields in three dimensions\n"
     "*  ISR3DO    1 writes residual fields in three dimensions\n"
     "*  NP3DO     number of writes per reference period\n"
     "*  KPC       number of levels in the vertical of the written fields\n"
     "*  NWGG      1 writes the fields on a separate output grid\n"
     "*  I3DMI, I3DMA  first and last I of the region written\n"
     "*  J3DMI, J3DMA  first and last J of the region written\n"
     "*  I3DRW     1 writes the fields on the model grid as they are\n"
     "*  SELVMAX   highest surface elevation of the written fields\n"
     "*  BELVMIN   lowest bottom elevation of the written fields\n"
     "*\n",
     "C80 IS3DO ISR3DO NP3DO KPC NWGG I3DMI I3DMA J3DMI J3DMA I3DRW SELVMAX BELVMIN",
     "       0       0       0       1       0       1      42       1     118       0      15    -315\n", false,
     false},
    {"C81 OUTPUT ACTIVATION AND SCALES FOR 3D FIELD OUTPUT", kDashes79,
     "*\n"
     "*  One data line per field that can be written in three dimensions.\n"
     "*  VARIABLE  name of the field\n"
     "*  IS3D      1 writes the field\n"
     "*  JS3D      0 scales the field between the limits below, 1 between its\n"
     "*            own smallest and largest values\n"
     "*  SMAX      value written as the top of the scale\n"
     "*  SMIN      value written as the bottom of the scale\n"
     "*\n",
     "C81 VARIABLE IS3D JS3D SMAX  SMIN",
     " 'U VEL'       0       0       0       0\n"
     " 'V VEL'       0       0       0       0\n"
     " 'W VEL'       0       0       0       0\n"
     " 'SALINITY'    0       0       0       0\n"
     "  'TEMP'       0       0       0       0\n"
     "   'DYE'       0       0       0       0\n"
     " 'COH SED'     0       0       0       0\n"
     " 'NCH SED'     0       0       0       0\n"
     " 'TOX CON'     0       0       0       0\n",
     false, false},
    {"C82 INPLACE HARMONIC ANALYSIS PARAMETERS", kDashes79,
     "*\n"
     "*  ISLSHA    1 analyses the periodic (tidal) parts of the fields while the\n"
     "*            model runs\n"
     "*  MLLSHA    number of cells analysed\n"
     "*  NTCLSHA   number of reference periods of the analysis\n"
     "*  ISLSTR    1 analyses the transported quantities as well\n"
     "*  ISHTA     1 analyses the whole model\n"
     "*\n",
     "C82 ISLSHA MLLSHA NTCLSHA ISLSTR ISHTA", "       0       0      29       0       0\n", false, false},
    {"C83 HARMONIC ANALYSIS LOCATIONS AND SWITCHES", kDashes79,
     "*\n"
     "*  One data line per analysed cell (MLLSHA lines).\n"
     "*  ILLSHA    I of the cell\n"
     "*  JLLSHA    J of the cell\n"
     "*  LSHAP     1 analyses the surface elevation\n"
     "*  LSHAB     1 analyses the salinity\n"
     "*  LSHAUE    1 analyses the depth averaged velocity\n"
     "*  LSHAU     1 analyses the velocity of every layer\n"
     "*  CLSL      name of the cell, for the reader only\n"
     "*\n",
     "C83 ILLSHA JLLSHA LSHAP LSHAB LSHAUE LSHAU CLSL", "", false, false},
    {"C84 CONTROLS FOR WRITING TO TIME SERIES FILES", kDashes79,
     "*\n"
     "*  ISTMSR    1 writes time series of model values at chosen cells\n"
     "*  MLTMSR    number of cells with time series\n"
     "*  NBTMSR    time step at which the time series start\n"
     "*  NSTMSR    time step at which they stop\n"
     "*  NWTMSR    time steps between two values of a series\n"
     "*  NTSSTSP   number of periods in which the series are written\n"
     "*  TCTMSR    factor that turns the time of the series into seconds\n"
     "*\n",
     "C84 ISTMSR MLTMSR  NBTMSR  NSTMSR  NWTMSR NTSSTSP TCTMSR",
     "       0       0       0       0       1       0       0\n", false, false},
    {"C85 CONTROLS FOR WRITING TO TIME SERIES FILES", kDashes79,
     "*\n"
     "*  One data line per period of time series output (NTSSTSP lines).\n"
     "*  ITSSS     number of the period\n"
     "*  MTSSTSP   number of start and stop times in the period\n"
     "*\n",
     "C85 ITSSS MTSSTSP", "", false, false},
    {"C86 CONTROLS FOR WRITING TO TIME SERIES FILES", kDashes79,
     "*\n"
     "*  One data line per start and stop time of each period.\n"
     "*  ISSS      number of the period\n"
     "*  MTSSS     number of the start and stop pair\n"
     "*  TSSTRT    time at which writing starts\n"
     "*  TSSTOP    time at which writing stops\n"
     "*  COMMENT   for the reader only\n"
     "*\n",
     "C86 ISSS MTSSS TSSTRT TSSTOP COMMENT", "", false, false},
    {"C87 CONTROLS FOR WRITING TO TIME SERIES FILES", kDashes79,
     "*\n"
     "*  One data line per cell with time series (MLTMSR lines).\n"
     "*  ILTS      I of the cell\n"
     "*  JLTS      J of the cell\n"
     "*  NTSSSS    period of time series output that the cell uses\n"
     "*  MTSP      1 writes the surface elevation\n"
     "*  MTSC      1 writes the transported quantities\n"
     "*  MTSA      1 writes the eddy viscosity and diffusivity\n"
     "*  MTSUE     1 writes the depth averaged velocity\n"
     "*  MTSUT     1 writes the velocity of the mean transport\n"
     "*  MTSU      1 writes the velocity of every layer\n"
     "*  MTSQE     1 writes the depth integrated flow\n"
     "*  MTSQ      1 writes the flow of every layer\n"
     "*  CLTS      name of the cell, for the reader only\n"
     "*\n",
     "C87 ILTS JLTS NTSSSS MTSP MTSC MTSA MTSUE MTSUT MTSU MTSQE MTSQ CLTS", "", false, false},
    {"C88 CONTROLS FOR EXTRACTING INSTANTANEOUS VERTICAL SCALAR FIELD PROFILES", kDashes79,
     "*\n"
     "*  ISVSFP    1 takes profiles of the transported quantities over depth\n"
     "*  MDVSFP    number of depths in each profile\n"
     "*  MLVSFP    number of places and times at which profiles are taken\n"
     "*  TMVSFP    factor that turns the times of the profiles into seconds\n"
     "*  TAVSFP    time over which each profile is averaged\n"
     "*\n",
     "C88 ISVSFP MDVSFP MLVSFP TMVSFP TAVSFP", "       0       0       0   86400       0\n", false, false},
    {"C89 SAMPLING DEPTHS FOR EXTRACTING INST VERTICAL SCALAR FIELD PROFILES", kDashes79,
     "*\n"
     "*  One data line per depth of the profiles (MDVSFP lines).\n"
     "*  MMDVSFP   number of the depth\n"
     "*  DMVSFP    depth below the surface, in metres\n"
     "*\n",
     "C89 MMDVSFP DMVSFP", "", false, false},
    {"C90 HORIZONTAL SPACE-TIME LOCATIONS FOR SAMPLING", kDashes79,
     "*\n"
     "*  One data line per place and time of a profile (MLVSFP lines).\n"
     "*  MMLVSFP   number of the profile\n"
     "*  TIMVSFP   time at which the profile is taken\n"
     "*  IVSFP     I of the cell\n"
     "*  JVSFP     J of the cell\n"
     "*\n",
     "C90 MMLVSFP TIMVSFP IVSFP JVSFP", "", false, false},
};

constexpr int kCardCount = sizeof kCards / sizeof kCards[0];
static_assert(kCardCount == 102, "the deck has 102 cards after the run title");

// One vertical layer of the whole depth.
constexpr int kLayers = 1;

// The data line of card C7 with `steps` time steps in a reference period, in
// NTSPTC and in NTSMMT (mean mass transport over one period), each field eight
// wide and never run into the field before it.
std::string TimeStepDataLine(int32_t steps) {
  const long values[11] = {1, steps, 0, 0, 10, 0, 0, 0, steps, 1, 16};
  std::string line;
  for (const long v : values) {
    char field[32];
    std::snprintf(field, sizeof field, "%8li", v);
    if (field[0] != ' ') line += ' ';
    line += field;
  }
  return line + "\n";
}

void WriteSeparator(std::FILE* out, Separator separator) {
  static const char* const kDashes = "-------------------------------------------------------------------------------";
  static_assert(sizeof "-------------------------------------------------------------------------------" == 80);
  switch (separator) {
    case kDashes79:
      std::fprintf(out, "%s\n", kDashes);
      break;
    case kDashes78:
      std::fprintf(out, "%.78s\n", kDashes);
      break;
    case kBlankDashes79:
      std::fprintf(out, " %s\n", kDashes);
      break;
  }
}

}  // namespace

bool WriteEfdcInp(const char* title, int32_t stepsPerPeriod) {
  const char* name = "EFDC.INP";
  std::FILE* out = CreateOutputFile(name, 6450);
  if (!out) return false;
  const char* const kStars = "******************************************************************************";
  static_assert(sizeof "******************************************************************************" == 79);
  std::fprintf(out, "%s\n* PROJECT NAME:\n%s\n", kStars, kStars);
  std::fputs("C1 RUN TITLE\n", out);
  std::fputs("*   TEXT DESCRIPTION UP TO 80 CHARACTERS IN LENGTH FOR THIS INPUT FILE AND RUN\n", out);
  std::fputs("C1 TITLE\n", out);
  std::fprintf(out, "%s\n", title ? title : "");
  for (const Card& card : kCards) {
    WriteSeparator(out, card.separator);
    std::fprintf(out, "%s\n", card.title);
    std::fputs(card.description, out);
    if (card.cLine) std::fputs("C\n", out);
    std::fprintf(out, "%s\n", card.header);
    if (card.gridCounts) {
      const int active = cellMap.activeCount;
      std::fprintf(out, "      %i  %i   %i  %i  %i    1    1  %i       0       0       0       0 0.06250 0.06250\n",
                   kLayers, cellMap.iSize, cellMap.jSize, active + 2, active, active);
    } else if (card.timeSteps && stepsPerPeriod != kDefaultStepsPerPeriod) {
      std::fputs(TimeStepDataLine(stepsPerPeriod).c_str(), out);
    } else {
      std::fputs(card.data, out);
    }
  }
  return FinishOutputFile(out, name, 6451);
}

}  // namespace kestrel
