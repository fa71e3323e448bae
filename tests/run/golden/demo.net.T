Pelorin version 1.0.1alpha --- 06/25/05

parsed net demo

2 places, 2 transitions

net demo
tr t1 p1 -> p2
tr t2 p2*2 -> p1*2

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

t1*2 t2 

TIME

ANALYSIS COMPLETED -----------------------------------------
