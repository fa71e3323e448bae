Pelorin version 1.0.1alpha --- 06/25/05

parsed net philosophers3

12 places, 9 transitions

net philosophers3
tr takeL0 think0 fork0 -> hasL0
tr takeR0 hasL0 fork1 -> eat0
tr put0 eat0 -> think0 fork0 fork1
tr takeL1 think1 fork1 -> hasL1
tr takeR1 hasL1 fork2 -> eat1
tr put1 eat1 -> think1 fork1 fork2
tr takeL2 think2 fork2 -> hasL2
tr takeR2 hasL2 fork0 -> eat2
tr put2 eat2 -> think2 fork2 fork0

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

takeL0 takeR0 put0 
takeL1 takeR1 put1 
takeL2 takeR2 put2 

TIME

ANALYSIS COMPLETED -----------------------------------------
